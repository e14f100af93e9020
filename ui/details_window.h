// The "Details" window: what a coder must know about one code before
// writing it down, in plain German, and the edition of the catalogue.
// Modal over the main window; Escape or "&Schließen" closes it. Long lines
// wrap, so that it is never wider than the screen.
#ifndef KODEXA_UI_DETAILS_WINDOW_H
#define KODEXA_UI_DETAILS_WINDOW_H

#include <fx.h>

#include <string>
#include <vector>

namespace kodexa {

class DetailsWindow : public FX::FXDialogBox {
    FXDECLARE(DetailsWindow)
protected:
    DetailsWindow() = default;

public:
    // lines: the first is the code and its title, shown in bold.
    DetailsWindow(FX::FXWindow* owner, const std::vector<std::string>& lines);
    ~DetailsWindow() override;
    DetailsWindow(const DetailsWindow&) = delete;
    DetailsWindow& operator=(const DetailsWindow&) = delete;

    // The widest a line of text may be before it wraps: the window stays
    // narrower than the screen.
    static FX::FXint TextWidthLimit(FX::FXApp* app);

private:
    FX::FXFont* headingFont = nullptr;  // Bold font of the first line
};

}  // namespace kodexa

#endif
