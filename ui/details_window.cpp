#include "ui/details_window.h"

#include "ui/fx_string.h"
#include "ui/text_wrap.h"

using namespace FX;

namespace kodexa {

FXIMPLEMENT(DetailsWindow, FXDialogBox, nullptr, 0)

namespace {

const FXColor kFehlerRed = FXRGB(200, 0, 0);


// Wider lines wrap: a title of 250 characters would otherwise make the
// window wider than the screen, its button and close box beyond reach.
const FXint kWidestText = 640;
// The window's padding, frame and the window manager's border.
const FXint kWindowEdges = 48;

}  // namespace

FXint DetailsWindow::TextWidthLimit(FXApp* app) {
    return FXMIN(kWidestText, app->getRootWindow()->getWidth() - kWindowEdges);
}

namespace {

FXString Wrapped(const std::string& line, FXFont* font, FXint width) {
    return ToFXString(WrapText(line, width, [font](const std::string& text) {
        return font->getTextWidth(text.c_str(), static_cast<FXuint>(text.size()));
    }));
}

}  // namespace

DetailsWindow::DetailsWindow(FXWindow* owner, const std::vector<std::string>& lines)
    : FXDialogBox(owner, "Details", DECOR_TITLE | DECOR_BORDER | DECOR_CLOSE, 0, 0, 0, 0, 8, 8, 8, 8, 4, 4) {
    auto* text = new FXVerticalFrame(this, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2);
    FXFontDesc description;
    getApp()->getNormalFont()->getFontDesc(description);
    description.weight = FXFont::Bold;
    headingFont = new FXFont(getApp(), description);
    headingFont->create();  // measured below
    const FXint width = TextWidthLimit(getApp());
    for (size_t i = 0; i < lines.size(); ++i) {
        FXFont* font = i == 0 ? headingFont : getApp()->getNormalFont();
        auto* label = new FXLabel(text, Wrapped(lines[i], font, width), nullptr, JUSTIFY_LEFT | LAYOUT_FILL_X);
        if (i == 0) label->setFont(headingFont);
        if (lines[i].rfind("Fehler: ", 0) == 0) label->setTextColor(kFehlerRed);
    }
    new FXHorizontalSeparator(this, SEPARATOR_GROOVE | LAYOUT_FILL_X);
    auto* buttons = new FXHorizontalFrame(this, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    new FXButton(buttons, "&Schlie\xc3\x9f" "en", nullptr, this, FXDialogBox::ID_ACCEPT,
                 BUTTON_INITIAL | BUTTON_DEFAULT | FRAME_RAISED | FRAME_THICK | LAYOUT_RIGHT, 0, 0, 0, 0, 20, 20, 2, 2);
}

// The labels only point at the font and are never drawn again.
DetailsWindow::~DetailsWindow() { delete headingFont; }

}  // namespace kodexa
