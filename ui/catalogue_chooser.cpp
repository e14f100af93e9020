#include "ui/catalogue_chooser.h"

#include <cstdlib>

#include "ui/code_facts_text.h"
#include "ui/fx_string.h"
#include "ui/item_data.h"

using namespace FX;

namespace kodexa {

namespace {


const char kOpenMark[] = "\xe2\x97\x8f ";  // a black circle before the entry open now
const char kNoMark[] = "    ";

void CollectData(FXTreeItem* item, std::vector<ItemData*>& data) {
    for (; item != nullptr; item = item->getNext()) {
        if (item->getData() != nullptr) data.push_back(static_cast<ItemData*>(item->getData()));
        CollectData(item->getFirst(), data);
    }
}

// "~/.local/share/..." for a directory in the home directory: the part
// that tells catalogues apart stays in sight.
std::string ShortDirectory(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    const char* home = std::getenv("HOME");
    const std::string prefix = home != nullptr && home[0] == '/' ? std::string(home) : std::string();
    if (prefix.size() > 1 && dir.compare(0, prefix.size(), prefix) == 0 && dir.size() > prefix.size() &&
        dir[prefix.size()] == '/')
        return "~" + dir.substr(prefix.size());
    return dir;
}

}  // namespace

std::string CatalogueLabel(const ShelvedCatalogue& entry) {
    const std::string edition = AboutEditionLine(entry.edition);
    const std::string name = edition.empty() ? "Ausgabe unbekannt" : edition;
    return name + (entry.bundled ? " (mitgeliefert)" : " (" + ShortDirectory(entry.dir) + ")");
}

std::string StatusLineText(const ShelvedCatalogue& open, const TransitionYears& years) {
    std::string text = "Katalog: " + CatalogueLabel(open);
    if (!years.from.empty() && !years.to.empty())
        text += " - Umsteiger " + years.from + " \xe2\x86\x92 " + years.to;
    return text;
}

FXLabel* MakeStatusLine(FXComposite* window, FXWindow* before) {
    auto* frame = new FXHorizontalFrame(window, LAYOUT_SIDE_BOTTOM | LAYOUT_FILL_X | FRAME_SUNKEN, 0, 0, 0, 0, 4, 4,
                                        1, 1);
    frame->reparent(window, before);
    return new FXLabel(frame, FXString::null, nullptr, JUSTIFY_LEFT | LAYOUT_FILL_X);
}

std::vector<ItemData*> TreeItemData(FXTreeList* tree) {
    std::vector<ItemData*> data;
    CollectData(tree->getFirstItem(), data);
    return data;
}

FXDEFMAP(CatalogueChooser) CatalogueChooserMap[] = {
    FXMAPFUNC(SEL_DOUBLECLICKED, CatalogueChooser::ID_LIST, CatalogueChooser::onListChosen),
};

FXIMPLEMENT(CatalogueChooser, FXDialogBox, CatalogueChooserMap, ARRAYNUMBER(CatalogueChooserMap))

CatalogueChooser::CatalogueChooser(FXWindow* owner, const std::vector<ShelvedCatalogue>& entries,
                                   const std::string& openDir)
    : FXDialogBox(owner, "Katalog w\xc3\xa4hlen", DECOR_TITLE | DECOR_BORDER | DECOR_CLOSE, 0, 0, 560, 260, 8, 8, 8,
                  8, 4, 4) {
    // The buttons take the bottom first: the list then fills what is left.
    auto* buttons = new FXHorizontalFrame(this, LAYOUT_SIDE_BOTTOM | LAYOUT_FILL_X | PACK_UNIFORM_WIDTH, 0, 0, 0, 0,
                                          0, 0, 0, 0);
    new FXButton(buttons, "&Abbrechen", nullptr, this, FXDialogBox::ID_CANCEL,
                 FRAME_RAISED | FRAME_THICK | LAYOUT_RIGHT, 0, 0, 0, 0, 20, 20, 2, 2);
    new FXButton(buttons, "&\xc3\x96" "ffnen", nullptr, this, FXDialogBox::ID_ACCEPT,
                 BUTTON_INITIAL | BUTTON_DEFAULT | FRAME_RAISED | FRAME_THICK | LAYOUT_RIGHT, 0, 0, 0, 0, 20, 20, 2, 2);
    new FXHorizontalSeparator(this, LAYOUT_SIDE_BOTTOM | SEPARATOR_GROOVE | LAYOUT_FILL_X);
    new FXLabel(this, "Die Kataloge, die Kodexa kennt (\xe2\x97\x8f ge\xc3\xb6" "ffnet):", nullptr,
                JUSTIFY_LEFT | LAYOUT_FILL_X);
    auto* frame = new FXHorizontalFrame(this, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0,
                                        0, 0, 0, 0, 0);
    list = new FXList(frame, this, ID_LIST, LIST_BROWSESELECT | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    for (const ShelvedCatalogue& entry : entries) {
        const bool open = SameDirectory(entry.dir, openDir);
        list->appendItem(ToFXString((open ? kOpenMark : kNoMark) + CatalogueLabel(entry)));
        if (open) list->setCurrentItem(list->getNumItems() - 1);
    }
    if (list->getNumItems() > 0) list->selectItem(FXMAX(list->getCurrentItem(), 0));
    list->setFocus();
}

int CatalogueChooser::Chosen() const { return list->getCurrentItem(); }

long CatalogueChooser::onListChosen(FXObject*, FXSelector, void*) {
    return handle(this, FXSEL(SEL_COMMAND, FXDialogBox::ID_ACCEPT), nullptr);
}

}  // namespace kodexa
