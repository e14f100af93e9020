#include "tests/gui_support/gui_test.h"

#include <fxkeys.h>

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

void Close(FXWindow* window, CloseBy how) {
    if (how == CloseBy::ButtonFocusOut) {  // what the button tells its dialog when the window is deactivated
        FXWindow* button = nullptr;
        EachChild(window, [&](FXWindow* w) {
            if (button == nullptr && dynamic_cast<FXButton*>(w) != nullptr) button = w;
        });
        button->handle(window, FXSEL(SEL_FOCUSOUT, 0), nullptr);
    } else if (how == CloseBy::EscapeKey) {
        FXEvent event{};
        event.code = KEY_Escape;
        for (FXSelector type : {SEL_KEYPRESS, SEL_KEYRELEASE}) {
            event.type = type;
            window->handle(window, FXSEL(type, 0), &event);
        }
    } else {
        window->handle(window, FXSEL(SEL_COMMAND, FXDialogBox::ID_CANCEL), nullptr);
    }
}

FXDEFMAP(ModalCloser) closerMap[] = {FXMAPFUNC(SEL_TIMEOUT, 1, ModalCloser::onTimeout)};

}  // namespace

FXIMPLEMENT(ModalCloser, FXObject, closerMap, ARRAYNUMBER(closerMap))

ModalCloser::ModalCloser(CloseBy how, int choose) : how(how), choose(choose) { TestApp()->addTimeout(this, 1, 10); }
ModalCloser::~ModalCloser() { TestApp()->removeTimeout(this, 1); }

long ModalCloser::onTimeout(FXObject*, FXSelector, void*) {
    TestApp()->addTimeout(this, 1, 10);
    FXWindow* window = TestApp()->getModalWindow();
    if (window == nullptr || !window->shown()) return 1;
    ModalSeen what;
    if (auto* top = dynamic_cast<FXTopWindow*>(window)) what.title = top->getTitle().text();
    EachChild(window, [&](FXWindow* w) {
        if (auto* label = dynamic_cast<FXLabel*>(w)) what.labels.emplace_back(label->getText().text());
        if (auto* frame = dynamic_cast<FXImageFrame*>(w)) what.pictures.push_back(PixelsOf(frame->getImage()));
        if (dynamic_cast<FXMenuCommand*>(w) != nullptr) what.enabled += w->isEnabled() ? '1' : '0';
    });
    seen.push_back(what);
    if (auto* popup = dynamic_cast<FXPopup*>(window)) {
        // What a key or click on the entry does; a disabled one refuses.
        FXWindow* entry = choose >= 0 ? popup->childAtIndex(choose) : nullptr;
        if (entry != nullptr) entry->handle(popup, FXSEL(SEL_COMMAND, FXWindow::ID_ACCEL), nullptr);
        if (popup->shown()) popup->popdown();
    } else {
        Close(window, seen.size() < 50 ? how : CloseBy::Cancel);  // a window that will not close fails, not hangs
    }
    return 1;
}

std::vector<FXColor> PixelsOf(FXImage* image) {
    if (image->getData() == nullptr) image->restore();
    std::vector<FXColor> rgb(image->getData(), image->getData() + image->getWidth() * image->getHeight());
    for (FXColor& pixel : rgb) pixel &= FXRGBA(255, 255, 255, 0);
    return rgb;
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
