#include "app/splash_window.h"

using namespace FX;

namespace kodexa {

namespace {

FXDEFMAP(SplashWindow) splashMap[] = {
    FXMAPFUNC(SEL_FOCUSOUT, 0, SplashWindow::onFocusOut),
    FXMAPFUNC(SEL_TIMEOUT, SplashWindow::ID_TIMEOUT, SplashWindow::onTimeout),
};

}  // namespace

FXIMPLEMENT(SplashWindow, FXTopWindow, splashMap, ARRAYNUMBER(splashMap))

SplashWindow::SplashWindow(FXApp* app, const FXString& title, FXuint delay, FXuint opts, FXint x, FXint y,
                               FXint w, FXint h)
    : FXTopWindow(app, title, nullptr, nullptr, opts, x, y, w, h, 0, 0, 0, 0, 0, 0), delay(delay) {}

SplashWindow::~SplashWindow() {
    getApp()->removeTimeout(this, ID_TIMEOUT);
    delete image;
}

void SplashWindow::setImage(FXImage* picture) {
    image = picture;
    if (picture == nullptr) {
        return;
    }
    auto* frame = new FXImageFrame(this, picture, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);
    frame->setBackColor(FXRGB(255, 255, 255));
    if (id() != 0) {
        frame->create();
    }
}

void SplashWindow::show() {
    if (shown()) {
        return;
    }
    getApp()->removeTimeout(this, ID_TIMEOUT);
    getApp()->addTimeout(this, ID_TIMEOUT, delay);
    FXTopWindow::show();
}

void SplashWindow::show(FXuint placement) {
    if (shown()) {
        return;
    }
    getApp()->removeTimeout(this, ID_TIMEOUT);
    getApp()->addTimeout(this, ID_TIMEOUT, delay);
    FXTopWindow::show(placement);
}

void SplashWindow::hide() {
    if (shown()) {
        getApp()->removeTimeout(this, ID_TIMEOUT);
        FXTopWindow::hide();
    }
    if (options & SPLASH_DESTROY_ON_HIDE) {
        delete this;
    }
}

void SplashWindow::display(FXuint placement) {
    create();
    show(placement);
    getApp()->runWhileEvents();
}

void SplashWindow::redrawNow() {
    getApp()->runWhileEvents();
    repaint();
    getApp()->flush(true);
    getApp()->flush(false);
}

long SplashWindow::onTimeout(FXObject*, FXSelector, void*) {
    // With both destroy options the hide has already deleted the window;
    // deleting it a second time would free it twice.
    const FXuint opts = options;
    hide();
    if ((opts & SPLASH_DESTROY_ON_TIMEOUT) && !(opts & SPLASH_DESTROY_ON_HIDE)) {
        delete this;
    }
    return 1;
}

long SplashWindow::onFocusOut(FXObject*, FXSelector, void*) {
    if (options & SPLASH_KEEP_ON_TOP) {
        raise();
        return 1;
    }
    return 0;
}

void SplashWindow::save(FXStream& store) const {
    FXTopWindow::save(store);
    store << delay;
}

void SplashWindow::load(FXStream& store) {
    FXTopWindow::load(store);
    store >> delay;
}

}  // namespace kodexa
