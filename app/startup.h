// The steps from the application object to the running event loop.
#ifndef KODEXA_APP_STARTUP_H
#define KODEXA_APP_STARTUP_H

#include <fx.h>

#include <string>

namespace kodexa {

class SplashWindow;

extern const char* const kSettingsSection;   // the version, "1.0"
extern const char* const kFirstStartKey;     // "firststart"

// Shows the first-start window when the settings entry says it has never
// been shown, and then records that it has, however the window was closed.
// Answers whether it was shown.
bool ShowFirstStartOnce(FX::FXApp& app);

// Puts the splash picture on the screen, painted, and answers the window.
SplashWindow* ShowSplash(FX::FXApp& app);

// The whole start of the program after the command line was checked;
// catalogueDir, when not empty, is the catalogue to open.
int RunKodexa(int argc, char** argv, const std::string& catalogueDir = "");

}  // namespace kodexa

#endif
