#include "ui/info_window.h"

#include "ui/pictures.h"

using namespace FX;

namespace kodexa {

namespace {

const FXColor kWhite = FXRGB(255, 255, 255);

FXDEFMAP(InfoWindow) firstStartMap[] = {
    FXMAPFUNC(SEL_FOCUSOUT, FXDialogBox::ID_ACCEPT, InfoWindow::onCmdFocusAccept),
};

}  // namespace

FXIMPLEMENT(InfoWindow, FXDialogBox, firstStartMap, ARRAYNUMBER(firstStartMap))

InfoWindow::InfoWindow(FXApp* app, const FXString& title, bool showAbout)
    : FXDialogBox(app, title, DECOR_TITLE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0) {
    Build(showAbout, FXString::null, "&Weiter");
}

InfoWindow::InfoWindow(FXWindow* owner, const FXString& title, bool showAbout, const FXString& edition)
    : FXDialogBox(owner, title, DECOR_TITLE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0) {
    // Over the main window there is nothing to go on to: the button closes.
    Build(showAbout, edition, "&Schlie\xc3\x9f" "en");
}

void InfoWindow::Build(bool showAbout, const FXString& edition, const FXString& buttonLabel) {
    sideImage = new FXGIFImage(getApp(), pictures::side.bytes, 0, 1, 1);
    const pictures::Picture& panel = showAbout ? pictures::about : pictures::tips;
    panelImage = new FXGIFImage(getApp(), panel.bytes, 0, 1, 1);

    auto* outer = new FXHorizontalFrame(this, LAYOUT_SIDE_LEFT | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    outer->setBackColor(kWhite);
    new FXImageFrame(outer, sideImage, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    auto* column = new FXVerticalFrame(outer, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
    new FXImageFrame(column, panelImage, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    column->setBackColor(kWhite);
    auto* buttons = new FXHorizontalFrame(column, LAYOUT_FILL_X | LAYOUT_BOTTOM, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
    buttons->setBackColor(kWhite);
    // Right under the picture's last line, which names the BfArM as the
    // source of the data: the edition of that data.
    if (!edition.empty()) {
        auto* label = new FXLabel(buttons, edition, nullptr, JUSTIFY_LEFT | LAYOUT_LEFT | LAYOUT_CENTER_Y);
        label->setBackColor(kWhite);
    }
    new FXButton(buttons, buttonLabel, nullptr, this, FXDialogBox::ID_ACCEPT,
                 BUTTON_INITIAL | BUTTON_DEFAULT | FRAME_RAISED | FRAME_THICK | LAYOUT_RIGHT | LAYOUT_BOTTOM, 0, 0, 0,
                 0, 20, 20, 2, 2);
}

InfoWindow::~InfoWindow() {
    delete sideImage;
    delete panelImage;
}

long InfoWindow::onCmdFocusAccept(FXObject* sender, FXSelector sel, void* ptr) {
    FXDialogBox::onCmdAccept(sender, sel, ptr);
    return 1;
}

}  // namespace kodexa
