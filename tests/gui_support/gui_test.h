// What the window tests share: one application object on a private X
// server, running the event loop for a while, and closing modal windows the
// way a user would.
#ifndef KODEXA_TESTS_GUI_SUPPORT_GUI_TEST_H
#define KODEXA_TESTS_GUI_SUPPORT_GUI_TEST_H

#include <fx.h>

#include <functional>
#include <string>
#include <vector>

namespace kodexa::test {

// The one FXApp of the test program, named like the program's own, with its
// settings under a temporary HOME.
FX::FXApp* TestApp();
const std::string& TestHome();

// Runs the event loop for about ms milliseconds.
void RunEventsFor(int ms);
// Runs the event loop until done() or ms milliseconds passed; answers done().
bool RunEventsUntil(const std::function<bool()>& done, int ms);

// Index of w among the X server's top-level windows, bottom to top; -1 when
// it is not among them.
int StackingPosition(FX::FXWindow* w);

// How a modal window is closed.
enum class CloseBy { Accept, Cancel, ButtonFocusOut, EnterKey, MessageBoxOk };

struct ModalSeen {
    std::string title;
    std::vector<std::string> labels;  // every label and button text, in child order
    int width = 0, height = 0;
};

// While it lives, closes every modal window that comes up, in the given way,
// and keeps what it saw.
class ModalCloser : public FX::FXObject {
    FXDECLARE(ModalCloser)
public:
    explicit ModalCloser(CloseBy how);
    ~ModalCloser() override;
    ModalCloser(const ModalCloser&) = delete;
    ModalCloser& operator=(const ModalCloser&) = delete;

    long onTimeout(FX::FXObject*, FX::FXSelector, void*);

    const std::vector<ModalSeen>& Seen() const { return seen; }

    enum { ID_POLL = 1 };

private:
    ModalCloser() = default;
    CloseBy how = CloseBy::Accept;
    std::vector<ModalSeen> seen;
};

}  // namespace kodexa::test

#endif
