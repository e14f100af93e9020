// The "Favoriten" page: the coder's favourite codes and, below them, the
// codes copied last, both narrowed by one filter field. Every change is
// written to the settings at once, so that a program killed a moment later
// keeps it.
//
// The page's target (the main window) gets, with the page's message id and
// one of the lists as sender, SEL_DOUBLECLICKED (Enter or a double click;
// ptr the entry's ItemData) and SEL_RIGHTBUTTONPRESS (ptr the event, the
// entry already current): Details and the context menu are the window's.
#ifndef KODEXA_UI_FAVOURITES_PAGE_H
#define KODEXA_UI_FAVOURITES_PAGE_H

#include <fx.h>

#include <map>
#include <string>

#include "catalogue/code_facts.h"
#include "catalogue/favourites.h"

namespace kodexa {

class Catalogue;
class ItemData;

// The code data stands for, as the favourites keep it: a code's own, the
// code whose title a term shows; empty for chapters, groups and
// cross-references.
std::string FavouriteCode(const ItemData* data);

// What an import did.
struct ImportOutcome {
    bool read = false;      // false: the file could not be read
    int added = 0;          // codes new to the favourites
    int present = 0;        // codes that were favourites already (or came twice)
    std::vector<CodeListLine> skipped;  // lines that are not a code
};

class FavouritesPage : public FX::FXVerticalFrame {
    FXDECLARE(FavouritesPage)
    // The tests' one way to the widgets.
    friend struct FavouritesPageProbe;

protected:
    FX::FXTextField* filterField = nullptr;   // Words both lists must contain
    FX::FXIconList* favouriteList = nullptr;  // Favourites passing the filter, in code order
    FX::FXIconList* recentList = nullptr;     // Codes copied last passing the filter, newest first
    FX::FXIconList* activeList = nullptr;     // The list that had the focus last: the copy commands'
    FX::FXIcon* codeIcon = nullptr;           // Every entry's icon; the window's
    Catalogue* catalogue = nullptr;           // Titles; the window's, may be null
    Edition edition;                          // Of the catalogue, for codes it does not have
    FavouriteLists lists;
    struct Title {
        std::string text;
        bool inCatalogue = false;  // else text says that it is not
    };
    std::map<std::string, Title> titles;  // Titles looked up or copied so far

    FavouritesPage() = default;

public:
    enum {
        ID_FILTER = FX::FXVerticalFrame::ID_LAST,
        ID_FAVOURITE_LIST,
        ID_RECENT_LIST,
        ID_EXPORT,
        ID_IMPORT,
        ID_LAST
    };

    long onCmdFilter(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onListKeyPress(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onListFocusIn(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onListDoubleClicked(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onListRightPress(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdExport(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdImport(FX::FXObject* sender, FX::FXSelector sel, void* ptr);

    FavouritesPage(FX::FXComposite* parent, FX::FXObject* target, FX::FXSelector message, FX::FXIcon* codeIcon);
    ~FavouritesPage() override;
    FavouritesPage(const FavouritesPage&) = delete;
    FavouritesPage& operator=(const FavouritesPage&) = delete;

    // Reads both lists from the application's settings and shows them
    // with titles from catalogue (null: none open).
    void Load(Catalogue* catalogue, const Edition& edition);
    // Titles from catalogue from now on (null: it was closed).
    void UseCatalogue(Catalogue* catalogue, const Edition& edition);

    // Each answers whether the lists changed; a change is shown and saved.
    bool AddFavourite(const std::string& code);
    // title, when not empty, is the code's title as the copy found it, so
    // that the list need not read it from the catalogue.
    bool NoteCopied(const std::string& code, const std::string& title = "");
    bool RemoveCurrentFavourite();

    // The focus on the favourites, their first entry current.
    void FocusList();
    // The current entry of the list that had the focus last; found is false
    // when it has none.
    ItemData* CurrentItemData(bool& found) const;
    // "CODE\tTITLE", the line of that entry, when its code is in the
    // catalogue; else empty (the line then holds no title).
    FX::FXString CurrentLine() const;

    const FavouriteLists& Lists() const { return lists; }

    // Writes the favourites, one code per line; false with why in error.
    bool Export(const std::string& path, std::string& error) const;
    // Adds the codes of a file of one code per line.
    ImportOutcome Import(const std::string& path);

private:
    void Save();
    // A copy changes only the recent list; a long list of favourites is
    // not filled again for it.
    void Refill();
    void RefillFavourites();
    void FillList(FX::FXIconList* list, const std::vector<std::string>& codes);
    const Title& TitleOf(const std::string& code);
    void SizeColumns(FX::FXIconList* list);
    void MakeCurrent(FX::FXIconList* list, FX::FXint index);
    void Focus(FX::FXIconList* list);
    void FocusNewest();
};

}  // namespace kodexa

#endif
