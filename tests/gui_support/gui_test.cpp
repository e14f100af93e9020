#include "tests/gui_support/gui_test.h"

#include <fxkeys.h>

#include <chrono>
#include <thread>

using namespace FX;

namespace kodexa::test {

namespace {

void CollectLabels(FXWindow* window, std::vector<std::string>& labels) {
    for (FXWindow* child = window->getFirst(); child != nullptr; child = child->getNext()) {
        if (auto* label = dynamic_cast<FXLabel*>(child)) {
            labels.emplace_back(label->getText().text());
        }
        CollectLabels(child, labels);
    }
}

FXWindow* FirstButton(FXWindow* window) {
    for (FXWindow* child = window->getFirst(); child != nullptr; child = child->getNext()) {
        if (dynamic_cast<FXButton*>(child) != nullptr) {
            return child;
        }
        if (FXWindow* found = FirstButton(child)) {
            return found;
        }
    }
    return nullptr;
}

void Close(FXTopWindow* window, CloseBy how, FXObject* sender) {
    switch (how) {
        case CloseBy::Accept:
            window->handle(sender, FXSEL(SEL_COMMAND, FXDialogBox::ID_ACCEPT), nullptr);
            break;
        case CloseBy::Cancel:
            window->handle(sender, FXSEL(SEL_COMMAND, FXDialogBox::ID_CANCEL), nullptr);
            break;
        case CloseBy::ButtonFocusOut: {
            // What the button tells its dialog when the window is deactivated.
            FXWindow* button = FirstButton(window);
            FXEvent event{};
            event.type = SEL_FOCUSOUT;
            button->handle(sender, FXSEL(SEL_FOCUSOUT, 0), &event);
            break;
        }
        case CloseBy::EnterKey: {
            FXEvent event{};
            event.type = SEL_KEYPRESS;
            event.code = KEY_Return;
            window->handle(sender, FXSEL(SEL_KEYPRESS, 0), &event);
            event.type = SEL_KEYRELEASE;
            window->handle(sender, FXSEL(SEL_KEYRELEASE, 0), &event);
            break;
        }
        case CloseBy::MessageBoxOk:
            window->handle(sender, FXSEL(SEL_COMMAND, FXMessageBox::ID_CLICKED_OK), nullptr);
            break;
    }
}

FXDEFMAP(ModalCloser) closerMap[] = {
    FXMAPFUNC(SEL_TIMEOUT, ModalCloser::ID_POLL, ModalCloser::onTimeout),
};

}  // namespace

FXIMPLEMENT(ModalCloser, FXObject, closerMap, ARRAYNUMBER(closerMap))

ModalCloser::ModalCloser(CloseBy how) : how(how) { TestApp()->addTimeout(this, ID_POLL, 10); }

ModalCloser::~ModalCloser() { TestApp()->removeTimeout(this, ID_POLL); }

long ModalCloser::onTimeout(FXObject*, FXSelector, void*) {
    auto* window = dynamic_cast<FXTopWindow*>(TestApp()->getModalWindow());
    if (window != nullptr && window->shown()) {
        ModalSeen what;
        what.title = window->getTitle().text();
        what.width = window->getWidth();
        what.height = window->getHeight();
        CollectLabels(window, what.labels);
        seen.push_back(what);
        Close(window, how, this);
    }
    TestApp()->addTimeout(this, ID_POLL, 10);
    return 1;
}

void RunEventsFor(int ms) {
    RunEventsUntil([] { return false; }, ms);
}

bool RunEventsUntil(const std::function<bool()>& done, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        if (!TestApp()->runOneEvent(false)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return true;
}

}  // namespace kodexa::test
