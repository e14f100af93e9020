// What the window tests share: one application object on a private X
// server, running the event loop for a while, and noting and closing modal
// windows.
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

// Runs the event loop until done() or ms milliseconds passed; answers done().
bool RunEventsUntil(const std::function<bool()>& done, int ms);
inline void RunEventsFor(int ms) { RunEventsUntil([] { return false; }, ms); }

struct ModalSeen {
    std::string title;
    std::vector<std::string> labels;  // label and button texts, in child order
    std::vector<FX::FXColor> colours; // their text colours, in the same order
    std::string enabled;              // a popup's entries: '1' enabled, '0' not
};

// While it lives, notes every modal window that comes up and cancels it; a
// popup menu gets its entry number choose chosen (when not -1) and is taken
// down, as a user choosing or clicking elsewhere would.
class ModalCloser : public FX::FXObject {
    FXDECLARE(ModalCloser)
public:
    explicit ModalCloser(int choose = -1);
    ~ModalCloser() override;
    long onTimeout(FX::FXObject*, FX::FXSelector, void*);

    std::vector<ModalSeen> seen;

private:
    int choose;
};

}  // namespace kodexa::test

#endif
