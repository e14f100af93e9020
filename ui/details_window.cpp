#include "ui/details_window.h"

using namespace FX;

namespace kodexa {

FXIMPLEMENT(DetailsWindow, FXDialogBox, nullptr, 0)

namespace {

const FXColor kFehlerRed = FXRGB(200, 0, 0);

FXString ToFXString(const std::string& text) { return FXString(text.c_str(), static_cast<FXint>(text.size())); }

}  // namespace

DetailsWindow::DetailsWindow(FXWindow* owner, const std::vector<std::string>& lines)
    : FXDialogBox(owner, "Details", DECOR_TITLE | DECOR_BORDER | DECOR_CLOSE, 0, 0, 0, 0, 8, 8, 8, 8, 4, 4) {
    auto* text = new FXVerticalFrame(this, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2);
    for (size_t i = 0; i < lines.size(); ++i) {
        auto* label = new FXLabel(text, ToFXString(lines[i]), nullptr, JUSTIFY_LEFT | LAYOUT_FILL_X);
        if (lines[i].rfind("Fehler: ", 0) == 0) label->setTextColor(kFehlerRed);
        if (i == 0) {
            FXFontDesc description;
            getApp()->getNormalFont()->getFontDesc(description);
            description.weight = FXFont::Bold;
            headingFont = new FXFont(getApp(), description);
            label->setFont(headingFont);
        }
    }
    new FXHorizontalSeparator(this, SEPARATOR_GROOVE | LAYOUT_FILL_X);
    auto* buttons = new FXHorizontalFrame(this, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    new FXButton(buttons, "&Schlie\xc3\x9f" "en", nullptr, this, FXDialogBox::ID_ACCEPT,
                 BUTTON_INITIAL | BUTTON_DEFAULT | FRAME_RAISED | FRAME_THICK | LAYOUT_RIGHT, 0, 0, 0, 0, 20, 20, 2, 2);
}

// The labels only point at the font and are never drawn again.
DetailsWindow::~DetailsWindow() { delete headingFont; }

}  // namespace kodexa
