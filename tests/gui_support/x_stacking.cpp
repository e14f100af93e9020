// Kept apart: Xlib's macros clash with the test framework's names.
#include <X11/Xlib.h>

#include "tests/gui_support/gui_test.h"

namespace kodexa::test {

int StackingPosition(FX::FXWindow* w) {
    auto* display = static_cast<Display*>(TestApp()->getDisplay());
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    int position = -1;
    for (unsigned int i = 0; i < count; ++i) {
        if (children[i] == static_cast<Window>(w->id())) position = static_cast<int>(i);
    }
    if (children != nullptr) XFree(children);
    return position;
}

}  // namespace kodexa::test
