#include "app/startup.h"

#include "app/splash_window.h"
#include "kodexa_version.h"
#include "ui/info_window.h"
#include "ui/main_window.h"
#include "ui/pictures.h"

using namespace FX;

namespace kodexa {

const char* const kSettingsSection = KODEXA_VERSION;
const char* const kFirstStartKey = "firststart";

bool ShowFirstStartOnce(FXApp& app) {
    if (app.reg().readIntEntry(kSettingsSection, kFirstStartKey, 0) != 0) {
        return false;
    }
    InfoWindow window(&app, "Erster Start ...", false);
    window.execute(PLACEMENT_SCREEN);
    app.reg().writeIntEntry(kSettingsSection, kFirstStartKey, 1);
    // Now, not only at quitting: a session that ends the program by a signal
    // would otherwise show the window again at the next start.
    app.reg().write();
    return true;
}

SplashWindow* ShowSplash(FXApp& app) {
    auto* picture = new FXGIFImage(&app, pictures::splash.bytes, 0, 1, 1);
    auto* splash = new SplashWindow(&app, "", 3000, DECOR_BORDER | SPLASH_KEEP_ON_TOP, 0, 0, 480, 200);
    splash->setImage(picture);
    splash->setBackColor(FXRGB(255, 255, 255));
    splash->setWidth(picture->getWidth());
    splash->setHeight(picture->getHeight());
    splash->display(PLACEMENT_SCREEN);
    splash->redrawNow();
    return splash;
}

int RunKodexa(int argc, char** argv, const std::string& catalogueDir) {
    FXApp app("Kodexa", "Taviron");
    app.init(argc, argv, TRUE);
    app.create();
    ShowFirstStartOnce(app);
    SplashWindow* splash = ShowSplash(app);
    auto* window = new MainWindow(&app);
    window->SetCatalogueDirectory(catalogueDir);
    window->create();
    splash->hide();
    delete splash;
    return app.run();
}

}  // namespace kodexa
