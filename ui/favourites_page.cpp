// The favourites page: its widgets, the two lists filled from the
// favourites' rules, their keys, saving, and export and import.
#include "ui/favourites_page.h"

#include <fxkeys.h>

#include <cstdio>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/settings_file.h"
#include "ui/fx_string.h"
#include "ui/item_data.h"

using namespace FX;

namespace kodexa {

namespace {

// Reports name the first lines that are no code, not all of a long file.
constexpr size_t kSkippedLinesShown = 10;
constexpr FXint kCodeWidth = 80;


FXString ImportReport(const ImportOutcome& outcome) {
    FXString text;
    text.format("%d Codes aufgenommen, %d schon in den Favoriten.", outcome.added, outcome.present);
    if (outcome.skipped.empty()) return text;
    text += "\n\nDiese Zeilen enthalten keinen Code und wurden \xc3\xbc" "bersprungen:";
    for (size_t i = 0; i < outcome.skipped.size() && i < kSkippedLinesShown; ++i) {
        const CodeListLine& line = outcome.skipped[i];
        FXString entry;
        entry.format("\nZeile %d: ", line.number);
        text += entry + ToFXString(line.text.substr(0, 60));
    }
    if (outcome.skipped.size() > kSkippedLinesShown) {
        FXString more;
        more.format("\nund %d weitere", static_cast<int>(outcome.skipped.size() - kSkippedLinesShown));
        text += more;
    }
    return text;
}

}  // namespace

std::string FavouriteCode(const ItemData* data) {
    if (data == nullptr) return "";
    switch (data->kind) {
        case kKindBranchCode:
        case kKindLeafCode:
            return CatalogueCode(ToString(data->code));
        case kKindTerm:
            return CatalogueCode(ToString(data->titleCode));
        default:
            return "";
    }
}

FXDEFMAP(FavouritesPage) FavouritesPageMap[] = {
    //________Message_Type_________ID____________________________________Message_Handler______
    FXMAPFUNC(SEL_CHANGED,         FavouritesPage::ID_FILTER,            FavouritesPage::onCmdFilter),
    FXMAPFUNC(SEL_COMMAND,         FavouritesPage::ID_FILTER,            FavouritesPage::onCmdFilter),
    FXMAPFUNCS(SEL_KEYPRESS,       FavouritesPage::ID_FAVOURITE_LIST,    FavouritesPage::ID_RECENT_LIST,   FavouritesPage::onListKeyPress),
    FXMAPFUNCS(SEL_FOCUSIN,        FavouritesPage::ID_FAVOURITE_LIST,    FavouritesPage::ID_RECENT_LIST,   FavouritesPage::onListFocusIn),
    FXMAPFUNCS(SEL_DOUBLECLICKED,  FavouritesPage::ID_FAVOURITE_LIST,    FavouritesPage::ID_RECENT_LIST,   FavouritesPage::onListDoubleClicked),
    FXMAPFUNCS(SEL_RIGHTBUTTONPRESS, FavouritesPage::ID_FAVOURITE_LIST,  FavouritesPage::ID_RECENT_LIST,   FavouritesPage::onListRightPress),
    FXMAPFUNC(SEL_COMMAND,         FavouritesPage::ID_EXPORT,            FavouritesPage::onCmdExport),
    FXMAPFUNC(SEL_COMMAND,         FavouritesPage::ID_IMPORT,            FavouritesPage::onCmdImport),
};

FXIMPLEMENT(FavouritesPage, FXVerticalFrame, FavouritesPageMap, ARRAYNUMBER(FavouritesPageMap))

FavouritesPage::FavouritesPage(FXComposite* parent, FXObject* target, FXSelector message, FXIcon* codeIcon)
    : FXVerticalFrame(parent, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4), codeIcon(codeIcon) {
    setTarget(target);
    setSelector(message);
    auto* filterBar = new FXHorizontalFrame(this, FRAME_RIDGE | LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
    new FXLabel(filterBar, "Filter:", nullptr, LAYOUT_CENTER_Y);
    filterField = new FXTextField(filterBar, 20, this, ID_FILTER, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X, 0, 0,
                                  0, 0, 2, 2, 2, 2);
    auto makeList = [this](FXSelector id) {
        auto* frame = new FXHorizontalFrame(this, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0,
                                            0, 0, 0, 0, 0, 0);
        auto* list = new FXIconList(frame, this, id, ICONLIST_BROWSESELECT | LAYOUT_FILL_X | LAYOUT_FILL_Y);
        list->appendHeader("Code", nullptr, kCodeWidth);
        list->appendHeader("Titel", nullptr, 400);
        return list;
    };
    favouriteList = makeList(ID_FAVOURITE_LIST);
    new FXLabel(this, "Zuletzt kopiert", nullptr, LAYOUT_LEFT);
    recentList = makeList(ID_RECENT_LIST);
    activeList = favouriteList;
}

FavouritesPage::~FavouritesPage() {
    for (FXIconList* list : {favouriteList, recentList}) {
        std::vector<ItemData*> data;
        for (FXint i = 0; i < list->getNumItems(); ++i) data.push_back(static_cast<ItemData*>(list->getItemData(i)));
        DeleteItemData(data);
    }
}

void FavouritesPage::UseCatalogue(Catalogue* open, const Edition& openEdition) {
    catalogue = open;
    edition = openEdition;
    titles.clear();
    Refill();
}

void FavouritesPage::Load(Catalogue* open, const Edition& openEdition) {
    FXRegistry& registry = getApp()->reg();
    auto section = [&registry](const char* name) {
        SettingsEntries entries;
        if (FXStringDict* dict = registry.find(name)) {
            for (FXint e = dict->first(); e < dict->size(); e = dict->next(e))
                entries.emplace_back(dict->key(e), dict->data(e));
        }
        return entries;
    };
    lists = FavouriteLists::FromSettings(section(kFavouritesSection), section(kRecentSection));
    UseCatalogue(open, openEdition);
}

// The whole sections are written anew: their keys are numbers in the
// lists' order. The toolkit writes a new file and renames it over the old.
void FavouritesPage::Save() {
    FXRegistry& registry = getApp()->reg();
    const std::pair<const char*, SettingsEntries> sections[] = {{kFavouritesSection, lists.FavouriteEntries()},
                                                                {kRecentSection, lists.RecentEntries()}};
    for (const auto& [name, entries] : sections) {
        registry.deleteSection(name);
        for (const auto& entry : entries) registry.writeStringEntry(name, entry.first.c_str(), entry.second.c_str());
    }
    if (!registry.write()) {
        FXMessageBox::error(this, MBOX_OK, "Favoriten",
                            "Die Favoriten konnten nicht gespeichert werden:\n%s", UserSettingsPath().c_str());
    }
}

bool FavouritesPage::AddFavourite(const std::string& code) {
    if (!lists.AddFavourite(code)) return false;
    Save();
    RefillFavourites();
    return true;
}

bool FavouritesPage::NoteCopied(const std::string& code, const std::string& title) {
    if (!lists.NoteCopied(code)) return false;
    if (!title.empty()) titles.emplace(CatalogueCode(code), Title{title, true});
    Save();
    FillList(recentList, lists.Recent());
    return true;
}

bool FavouritesPage::RemoveCurrentFavourite() {
    const FXint index = favouriteList->getCurrentItem();
    if (index < 0) return false;
    const std::string code = FavouriteCode(static_cast<const ItemData*>(favouriteList->getItemData(index)));
    if (!lists.RemoveFavourite(code)) return false;
    Save();
    RefillFavourites();
    // The entry that took its place becomes current, or the one before
    // when it was the last.
    if (favouriteList->getNumItems() > 0) MakeCurrent(favouriteList, FXMIN(index, favouriteList->getNumItems() - 1));
    return true;
}

const FavouritesPage::Title& FavouritesPage::TitleOf(const std::string& code) {
    auto known = titles.find(code);
    if (known != titles.end()) return known->second;
    Title& title = titles[code];
    if (catalogue != nullptr) title.text = FavouriteTitle(*catalogue, code, edition, &title.inCatalogue);
    return title;
}

// The entry current before stays current when it is still listed.
void FavouritesPage::FillList(FXIconList* list, const std::vector<std::string>& codes) {
    const FXint currentIndex = list->getCurrentItem();
    const std::string current =
        currentIndex >= 0 ? FavouriteCode(static_cast<const ItemData*>(list->getItemData(currentIndex))) : "";
    std::vector<ItemData*> previous;
    for (FXint i = 0; i < list->getNumItems(); ++i) previous.push_back(static_cast<ItemData*>(list->getItemData(i)));
    list->clearItems(FALSE);
    DeleteItemData(previous);
    EntryFilter filter(ToString(filterField->getText()));
    FXint kept = -1;
    for (const std::string& code : codes) {
        const std::string& title = TitleOf(code).text;
        if (!filter.Matches(code, title)) continue;
        if (code == current) kept = list->getNumItems();
        list->appendItem(ToFXString(code + "\t" + title), codeIcon, codeIcon,
                         NewItemData(kKindLeafCode, ToFXString(code)), FALSE);
    }
    if (kept >= 0) MakeCurrent(list, kept);
    SizeColumns(list);
}

// An empty page says how favourites are made; the line carries no data,
// so that no command acts on it.
void FavouritesPage::RefillFavourites() {
    FillList(favouriteList, lists.Favourites());
    if (lists.Favourites().empty()) {
        favouriteList->appendItem("\tNoch keine Favoriten: Strg+D nimmt den markierten Code auf.", nullptr, nullptr,
                                  nullptr, FALSE);
    }
}

void FavouritesPage::Refill() {
    RefillFavourites();
    FillList(recentList, lists.Recent());
}

// The title column takes the width beside the code column and the
// vertical scroll bar, so that no horizontal scroll bar appears.
void FavouritesPage::SizeColumns(FXIconList* list) {
    list->setHeaderSize(1, 0);
    list->layout();
    FXint visible = list->getWidth();
    if (list->verticalScrollBar()->shown()) visible -= list->verticalScrollBar()->getWidth();
    list->setHeaderSize(1, FXMAX(visible - kCodeWidth, 0));
}

void FavouritesPage::MakeCurrent(FXIconList* list, FXint index) {
    list->killSelection(FALSE);
    list->setCurrentItem(index, FALSE);
    list->selectItem(index, FALSE);
    list->setAnchorItem(index);
    list->makeItemVisible(index);
}

void FavouritesPage::Focus(FXIconList* list) {
    activeList = list;
    list->setFocus();
    if (list->getCurrentItem() < 0 && list->getNumItems() > 0) MakeCurrent(list, 0);
}

// The code copied last is the one most likely wanted again.
void FavouritesPage::FocusNewest() {
    if (recentList->getNumItems() > 0) MakeCurrent(recentList, 0);
    Focus(recentList);
}

void FavouritesPage::FocusList() {
    SizeColumns(favouriteList);
    SizeColumns(recentList);
    if (favouriteList->getNumItems() > 0) MakeCurrent(favouriteList, 0);
    Focus(favouriteList);
}

ItemData* FavouritesPage::CurrentItemData(bool& found) const {
    const FXint index = activeList->getCurrentItem();
    found = index >= 0;
    return found ? static_cast<ItemData*>(activeList->getItemData(index)) : nullptr;
}

FXString FavouritesPage::CurrentLine() const {
    const FXint index = activeList->getCurrentItem();
    if (index < 0) return FXString();
    const auto known = titles.find(FavouriteCode(static_cast<const ItemData*>(activeList->getItemData(index))));
    return known != titles.end() && known->second.inCatalogue ? activeList->getItemText(index) : FXString();
}

long FavouritesPage::onCmdFilter(FXObject*, FXSelector, void*) {
    Refill();
    return 1;
}

// Tab goes from one list to the other, to the newest of the codes copied
// last; Shift+Tab from the favourites back
// to the filter. Delete removes the current favourite.
long FavouritesPage::onListKeyPress(FXObject* sender, FXSelector, void* ptr) {
    const auto* event = static_cast<const FXEvent*>(ptr);
    const bool fromFavourites = sender == favouriteList;
    const bool backwards = event->code == KEY_ISO_Left_Tab || (event->state & SHIFTMASK) != 0;
    switch (event->code) {
        case KEY_Tab:
        case KEY_ISO_Left_Tab:
            if (fromFavourites && backwards)
                filterField->setFocus();
            else if (fromFavourites)
                FocusNewest();
            else
                Focus(favouriteList);
            return 1;
        case KEY_Delete:
        case KEY_KP_Delete:
            if (!fromFavourites) return 0;
            RemoveCurrentFavourite();
            return 1;
        default:
            return 0;
    }
}

long FavouritesPage::onListFocusIn(FXObject* sender, FXSelector, void*) {
    activeList = static_cast<FXIconList*>(sender);
    return 0;
}

// ptr is the index of the entry.
long FavouritesPage::onListDoubleClicked(FXObject* sender, FXSelector, void* ptr) {
    auto* list = static_cast<FXIconList*>(sender);
    const FXint index = static_cast<FXint>(reinterpret_cast<FXival>(ptr));
    if (index < 0 || index >= list->getNumItems() || target == nullptr) return 0;
    activeList = list;
    return target->tryHandle(list, FXSEL(SEL_DOUBLECLICKED, message), list->getItemData(index));
}

// The entry clicked becomes current first: the menu's commands act on it.
long FavouritesPage::onListRightPress(FXObject* sender, FXSelector, void* ptr) {
    auto* list = static_cast<FXIconList*>(sender);
    const auto* event = static_cast<const FXEvent*>(ptr);
    if (event->moved || event->click_count != 1) return 1;
    const FXint index = list->getItemAt(event->win_x, event->win_y);
    if (index < 0 || list->getItemData(index) == nullptr || target == nullptr) return 1;
    MakeCurrent(list, index);
    activeList = list;
    return target->tryHandle(list, FXSEL(SEL_RIGHTBUTTONPRESS, message), ptr);
}

bool FavouritesPage::Export(const std::string& path, std::string& error) const {
    const std::string text = WriteCodeList(lists.Favourites());
    FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written) error = "Die Datei " + path + " konnte nicht geschrieben werden.";
    return written;
}

ImportOutcome FavouritesPage::Import(const std::string& path) {
    ImportOutcome outcome;
    std::string text;
    if (ReadSettingsText(path, text) != SettingsRead::Read) return outcome;
    outcome.read = true;
    const CodeList read = ReadCodeList(text);
    for (const std::string& code : read.codes) (lists.AddFavourite(code) ? outcome.added : outcome.present)++;
    outcome.skipped = read.notCodes;
    if (outcome.added > 0) {
        Save();
        RefillFavourites();
    }
    return outcome;
}

long FavouritesPage::onCmdExport(FXObject*, FXSelector, void*) {
    const FXString path = FXFileDialog::getSaveFilename(this, "Favoriten exportieren", "favoriten.txt",
                                                        "Textdateien (*.txt)\nAlle Dateien (*)");
    if (path.empty()) return 1;
    if (FXStat::exists(path) &&
        FXMessageBox::question(this, MBOX_YES_NO, "Favoriten exportieren", "%s gibt es schon. Ersetzen?",
                               path.text()) != MBOX_CLICKED_YES)
        return 1;
    std::string error;
    if (!Export(ToString(path), error)) FXMessageBox::error(this, MBOX_OK, "Favoriten exportieren", "%s", error.c_str());
    return 1;
}

long FavouritesPage::onCmdImport(FXObject*, FXSelector, void*) {
    const FXString path =
        FXFileDialog::getOpenFilename(this, "Favoriten importieren", "", "Textdateien (*.txt)\nAlle Dateien (*)");
    if (path.empty()) return 1;
    const ImportOutcome outcome = Import(ToString(path));
    if (!outcome.read) {
        FXMessageBox::error(this, MBOX_OK, "Favoriten importieren", "Die Datei %s konnte nicht gelesen werden.",
                            path.text());
    } else {
        FXMessageBox::information(this, MBOX_OK, "Favoriten importieren", "%s", ImportReport(outcome).text());
    }
    return 1;
}

}  // namespace kodexa
