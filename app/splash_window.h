// The window that shows the splash picture while the main window is built.
#ifndef KODEXA_APP_SPLASH_WINDOW_H
#define KODEXA_APP_SPLASH_WINDOW_H

#include <fx.h>

namespace kodexa {

enum {
    SPLASH_KEEP_ON_TOP = 0x02000000,         // raise again when the focus goes elsewhere
    SPLASH_DESTROY_ON_TIMEOUT = 0x04000000,  // delete itself once the timeout has hidden it
    SPLASH_DESTROY_ON_HIDE = 0x08000000,     // delete itself whenever it is hidden
};

class SplashWindow : public FX::FXTopWindow {
    FXDECLARE(SplashWindow)
protected:
    SplashWindow() = default;

public:
    enum { ID_TIMEOUT = FX::FXTopWindow::ID_LAST };

    SplashWindow(FX::FXApp* app, const FX::FXString& title, FX::FXuint delay, FX::FXuint opts, FX::FXint x,
                   FX::FXint y, FX::FXint w, FX::FXint h);
    ~SplashWindow() override;
    SplashWindow(const SplashWindow&) = delete;
    SplashWindow& operator=(const SplashWindow&) = delete;

    long onFocusOut(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onTimeout(FX::FXObject* sender, FX::FXSelector sel, void* ptr);

    void save(FX::FXStream& store) const override;
    void load(FX::FXStream& store) override;
    void show() override;
    void hide() override;
    void show(FX::FXuint placement) override;

    // Creates the window, shows it and handles what is pending.
    virtual void display(FX::FXuint placement);

    // Takes ownership of the picture and shows it filling the window.
    void setImage(FX::FXImage* picture);
    FX::FXImage* getImage() const { return image; }
    FX::FXuint getDelay() const { return delay; }

    // Paints the window now: no event loop runs during the work that follows.
    void redrawNow();

private:
    FX::FXuint delay = 0;
    FX::FXImage* image = nullptr;
};

}  // namespace kodexa

#endif
