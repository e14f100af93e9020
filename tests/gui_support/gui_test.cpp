#include "tests/gui_support/gui_test.h"

#include <chrono>
#include <thread>

using namespace FX;

namespace kodexa::test {

namespace {

template <typename Visit>
void EachChild(FXWindow* window, const Visit& visit) {
    for (FXWindow* child = window->getFirst(); child != nullptr; child = child->getNext()) {
        visit(child);
        EachChild(child, visit);
    }
}

FXDEFMAP(ModalCloser) closerMap[] = {FXMAPFUNC(SEL_TIMEOUT, 1, ModalCloser::onTimeout)};

}  // namespace

FXIMPLEMENT(ModalCloser, FXObject, closerMap, ARRAYNUMBER(closerMap))

ModalCloser::ModalCloser(int choose) : choose(choose) { TestApp()->addTimeout(this, 1, 10); }
ModalCloser::~ModalCloser() { TestApp()->removeTimeout(this, 1); }

long ModalCloser::onTimeout(FXObject*, FXSelector, void*) {
    TestApp()->addTimeout(this, 1, 10);
    FXWindow* window = TestApp()->getModalWindow();
    if (window == nullptr || !window->shown()) return 1;
    ModalSeen what;
    if (auto* top = dynamic_cast<FXTopWindow*>(window)) what.title = top->getTitle().text();
    EachChild(window, [&](FXWindow* w) {
        if (auto* label = dynamic_cast<FXLabel*>(w)) what.labels.emplace_back(label->getText().text());
        if (dynamic_cast<FXMenuCommand*>(w) != nullptr) what.enabled += w->isEnabled() ? '1' : '0';
    });
    seen.push_back(what);
    if (auto* popup = dynamic_cast<FXPopup*>(window)) {
        // What a key or click on the entry does; a disabled one refuses.
        FXWindow* entry = choose >= 0 ? popup->childAtIndex(choose) : nullptr;
        if (entry != nullptr) entry->handle(popup, FXSEL(SEL_COMMAND, FXWindow::ID_ACCEL), nullptr);
        if (popup->shown()) popup->popdown();
    } else {
        window->handle(window, FXSEL(SEL_COMMAND, FXDialogBox::ID_CANCEL), nullptr);
    }
    return 1;
}

bool RunEventsUntil(const std::function<bool()>& done, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (!TestApp()->runOneEvent(false)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace kodexa::test
