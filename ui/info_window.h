// The small modal window with the side picture, a panel picture and one
// button: shown at the first start ("&Weiter"), and as the tips and about
// windows ("&Schließen"): one class for the three, hence its name.
#ifndef KODEXA_UI_INFO_WINDOW_H
#define KODEXA_UI_INFO_WINDOW_H

#include <fx.h>

namespace kodexa {

class InfoWindow : public FX::FXDialogBox {
    FXDECLARE(InfoWindow)
protected:
    InfoWindow() = default;

public:
    // At the first start, before there is a main window.
    InfoWindow(FX::FXApp* app, const FX::FXString& title, bool showAbout);
    // Tips and about, over the main window; edition, when not empty, is
    // shown beside the picture's lines on the source of the data.
    InfoWindow(FX::FXWindow* owner, const FX::FXString& title, bool showAbout,
                     const FX::FXString& edition = FX::FXString::null);
    ~InfoWindow() override;
    InfoWindow(const InfoWindow&) = delete;
    InfoWindow& operator=(const InfoWindow&) = delete;

    // The button lost the focus: the user went elsewhere; take that as a press.
    long onCmdFocusAccept(FX::FXObject* sender, FX::FXSelector sel, void* ptr);

    FX::FXImage* SideImage() const { return sideImage; }
    FX::FXImage* PanelImage() const { return panelImage; }

private:
    void Build(bool showAbout, const FX::FXString& edition, const FX::FXString& buttonLabel);

    FX::FXGIFImage* sideImage = nullptr;
    FX::FXGIFImage* panelImage = nullptr;
};

}  // namespace kodexa

#endif
