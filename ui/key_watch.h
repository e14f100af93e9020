// Whether the user has typed on while the program was busy: a search run
// after a pause in typing gives way to the keys that overtook it.
#ifndef KODEXA_UI_KEY_WATCH_H
#define KODEXA_UI_KEY_WATCH_H

#include <fx.h>

namespace kodexa {

// True when a key press waits in the display's queue; nothing is taken
// out of the queue and nothing waits for the display.
bool KeyPressWaiting(FX::FXApp* app);

}  // namespace kodexa

#endif
