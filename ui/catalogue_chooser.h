// "Datei > Katalog wählen": the catalogues at hand (the one that came with
// the program and those imported into the user's catalogue directory), the
// one open marked; and the status line at the bottom of the main window,
// which always names the edition in use.
#ifndef KODEXA_UI_CATALOGUE_CHOOSER_H
#define KODEXA_UI_CATALOGUE_CHOOSER_H

#include <fx.h>

#include <string>
#include <vector>

#include "catalogue/catalogue_shelf.h"
#include "catalogue/transitions.h"

namespace kodexa {

class ItemData;

// "ICD-10-GM Version 2024 (mitgeliefert)", "ICD-10-GM Version 2023
// (~/.local/share/kodexa/catalogues/ICD-10-GM-2023)"; "Ausgabe unbekannt"
// when the catalogue does not keep its edition.
std::string CatalogueLabel(const ShelvedCatalogue& entry);

// "Katalog: ICD-10-GM Version 2024 (mitgeliefert) - Umsteiger 2023 -> 2024";
// years empty when the catalogue has no transition table.
std::string StatusLineText(const ShelvedCatalogue& open, const TransitionYears& years);

// The status line's label, placed at the bottom of window, before the
// child `before` so that the pages keep the space above it.
FX::FXLabel* MakeStatusLine(FX::FXComposite* window, FX::FXWindow* before);

// The data of every item of the tree, to be freed with the items.
std::vector<ItemData*> TreeItemData(FX::FXTreeList* tree);

class CatalogueChooser : public FX::FXDialogBox {
    FXDECLARE(CatalogueChooser)
protected:
    CatalogueChooser() = default;

public:
    enum { ID_LIST = FX::FXDialogBox::ID_LAST, ID_LAST };

    // entries as ListCatalogues gives them; openDir the directory open now,
    // whose entry is marked and current.
    CatalogueChooser(FX::FXWindow* owner, const std::vector<ShelvedCatalogue>& entries, const std::string& openDir);
    CatalogueChooser(const CatalogueChooser&) = delete;
    CatalogueChooser& operator=(const CatalogueChooser&) = delete;

    // The entry current in the list; -1 when there is none.
    int Chosen() const;
    FX::FXList* List() const { return list; }

    // A double click or Enter on an entry opens it.
    long onListChosen(FX::FXObject* sender, FX::FXSelector sel, void* ptr);

private:
    FX::FXList* list = nullptr;
};

}  // namespace kodexa

#endif
