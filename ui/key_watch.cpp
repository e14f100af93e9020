#include "ui/key_watch.h"

#include <X11/Xlib.h>

namespace kodexa {

namespace {

// Notes a key press and never picks an event, so that the queue is only
// looked through.
Bool NoteKeyPress(Display*, XEvent* event, XPointer seen) {
    if (event->type == KeyPress) *reinterpret_cast<bool*>(seen) = true;
    return False;
}

}  // namespace

bool KeyPressWaiting(FX::FXApp* app) {
    Display* display = static_cast<Display*>(app->getDisplay());
    if (display == nullptr || XEventsQueued(display, QueuedAfterReading) == 0) return false;
    bool seen = false;
    XEvent event;
    XCheckIfEvent(display, &event, NoteKeyPress, reinterpret_cast<XPointer>(&seen));
    return seen;
}

}  // namespace kodexa
