// The main window: the catalogue tree, the search page, the menus, and the
// text last put on the clipboard.
#ifndef KODEXA_UI_MAIN_WINDOW_H
#define KODEXA_UI_MAIN_WINDOW_H

#include <fx.h>

#include <memory>
#include <string>

#include "catalogue/catalogue.h"

namespace kodexa {

class FavouritesPage;
class ItemData;
class ResultListSink;
class DiagnosisPage;
class CodeMarks;

class MainWindow : public FX::FXMainWindow {
    FXDECLARE(MainWindow)
    // The tests' one way to the widgets.
    friend struct MainWindowProbe;

protected:
    FX::FXToolTip* tooltip = nullptr;              // Tool tips of every widget
    FX::FXMenuBar* menubar = nullptr;              // Menu bar, may be dragged into dockShell
    FX::FXMenuPane* filemenu = nullptr;            // File menu: quit
    FX::FXMenuPane* editmenu = nullptr;            // Edit menu: the three copy commands
    FX::FXMenuPane* helpmenu = nullptr;            // Help menu: tips and about
    FX::FXTabBook* tabbook = nullptr;              // Tree page and search page
    FX::FXTabItem* browserTab = nullptr;           // Tab of the tree page
    FX::FXTabItem* searchTab = nullptr;            // Tab of the search page
    FX::FXHorizontalFrame* searchBar = nullptr;    // Search field and button
    FX::FXHorizontalFrame* resultFrame = nullptr;  // Frame round the result list; sizes its columns
    FX::FXHorizontalFrame* treePage = nullptr;     // Tree page
    FX::FXTextField* searchField = nullptr;        // Text to search the titles for
    FX::FXButton* searchButton = nullptr;          // Starts the search
    FX::FXIconList* resultList = nullptr;          // Search results: code and title
    FX::FXTreeList* tree = nullptr;                // Chapters, groups and codes
    FX::FXToolBarShell* dockShell = nullptr;       // Floating home of the menu bar
    char* clipText = nullptr;                      // Text we own the clipboard with, NUL-terminated; else null
    FX::FXint clipLength = 0;                      // Its length without the NUL
    FX::FXMenuCommand* popupCopyCode = nullptr;    // Context menu: copy the code
    FX::FXMenuCommand* popupCopyText = nullptr;    // Context menu: copy the title; codes only
    FX::FXMenuCommand* popupCopyBoth = nullptr;    // Context menu: copy both; codes only
    std::unique_ptr<Catalogue> catalogue;          // Open from create to destruction
    FX::FXGIFIcon* searchIcon = nullptr;           // Search button's icon
    FX::FXGIFIcon* folderOpenIcon = nullptr;       // Chapters, groups and branch codes, open
    FX::FXGIFIcon* folderClosedIcon = nullptr;     // The same, closed
    FX::FXGIFIcon* codeIcon = nullptr;             // Leaf codes and every search result
    FX::FXMenuPane* popupMenu = nullptr;           // Context menu of the tree and the result list
    FX::FXLabel* statusLine = nullptr;             // Bottom line: the edition open
    std::string catalogueDir;                      // Given on the command line or chosen; empty: see catalogueDirectory
    FX::FXTabItem* diagnosisTab = nullptr;         // Tab of the diagnosis page
    DiagnosisPage* diagnosisPage = nullptr;        // The lines of one case, checked
    FX::FXMenuCommand* popupAddToCase = nullptr;   // Context menu: the code to the diagnosis page; codes only
    std::unique_ptr<CodeMarks> codeMarks;          // Marks and use of every code, for the lists
    FX::FXGIFIcon* notForCodingIcon = nullptr;     // Codes not allowed for coding, in both lists
    FX::FXMenuCommand* popupAddFavourite = nullptr;  // Context menu: add to the favourites; codes only
    FX::FXTabItem* favouritesTab = nullptr;        // Tab of the favourites page
    FavouritesPage* favouritesPage = nullptr;      // Favourites and the codes copied last

protected:
    MainWindow() = default;

public:
    enum {
        ID_QUIT = FX::FXMainWindow::ID_LAST,
        ID_TABBOOK,
        ID_SEARCH,
        ID_TREE,
        ID_RESULTS,
        ID_ABOUT,
        ID_COPY_CODE,
        ID_COPY_TEXT,
        ID_COPY_BOTH,
        ID_SEARCH_FIELD,
        ID_TIPS,
        ID_SHOW_BROWSER,
        ID_SHOW_SEARCH,
        ID_SEARCH_PAUSE,
        ID_CHOOSE_CATALOGUE,
        ID_ADD_TO_CASE,
        ID_MARK_CODES,
        ID_ADD_FAVOURITE,
        ID_FAVOURITES,
        ID_SHOW_FAVOURITES,
        ID_LAST
    };

    long onCmdQuit(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdSearch(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onSearchTyped(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onSearchPause(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onTreeInserted(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onTreeRightPress(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onListRightPress(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onTreeDoubleClicked(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onListDoubleClicked(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdAbout(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdCopyCode(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdCopyText(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdCopyBoth(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdAddFavourite(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onUpdAddFavourite(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onFavouritesDoubleClicked(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onFavouritesRightPress(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdShowFavourites(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdTips(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdChooseCatalogue(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdAddToCase(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onTimeoutMarkCodes(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdTabBook(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onClipboardLost(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onClipboardGained(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onClipboardRequest(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onUpdCopy(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdShowBrowser(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdShowSearch(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onQueryResultTip(FX::FXObject* sender, FX::FXSelector sel, void* ptr);

    explicit MainWindow(FX::FXApp* app);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    void create() override;
    void detach() override;
    // The smallest height the window manager lets the window shrink to.
    FX::FXint getDefaultHeight() override;

    // Opens the catalogue in the program's directory read-only, with a
    // "Katalogdatei" box for each database that fails; nothing is ever written.
    void OpenCatalogue();
    void CloseCatalogue();
    // Fills the tree from the open catalogue; false when the walk stopped early.
    bool FillChapterTree();
    // Reads the marks and uses of the codes and shows them in the tree;
    // the window runs it once it is up, since it reads every code's facts.
    void MarkCodes();

    // Appends a result line for every code the search field's text finds;
    // false when there was none.
    bool SearchCodes();
    // The search after a pause in typing: the list is left empty when a
    // key press overtakes it, and the pause starts again.
    void SearchTyped();

    bool copyCode(ItemData* data);
    bool copyText(ItemData* data);
    bool copyCodeAndText(ItemData* data);
    // Adds the code data stands for to the favourites; false when it is no
    // code (a chapter, a group) or a favourite already.
    bool addFavourite(const ItemData* data);
    // Shows the Details window of the code; false when it is no code of
    // the catalogue.
    bool showDetails(const std::string& code);

    // The directory of the program's own executable, ending in '/'.
    virtual std::string programDirectory() const;
    // The catalogue to open: the one set here (kodexa --dir), else the one
    // chosen in an earlier run when it is still there, else the program's.
    std::string catalogueDirectory() const;
    void SetCatalogueDirectory(const std::string& dir) { catalogueDir = dir; }
    // Closes the catalogue open and opens the one in dir, tree and status
    // line included; the search results go with the old one.
    void OpenCatalogueIn(const std::string& dir);

protected:
    // The catalogue of dir; tests hand in one that counts how it is opened.
    virtual std::unique_ptr<Catalogue> makeCatalogue(const std::string& dir) const;

private:
    void BuildMenus();
    void OpenOne(CatalogueFile which);
    void OpenOptional(CatalogueFile which);
    // The "Katalogdatei" box with text, at the pointer, until the user closes it.
    void ShowDatafileBox(const FX::FXString& text);
    // The box for a catalogue that the last walk or search could not read
    // to its end; nothing when it read everything.
    void ReportUnreadable();
    void OpenFacts();
    void ShowCatalogueStatus();
    // The edition of the open catalogue; unknown without facts.
    Edition LoadedEdition();
    void ClearResults();
    // With app, the search gives way to a waiting key press (see Stopped).
    bool SearchInto(ResultListSink& sink);
    FX::FXint CodeColumnWidth() const;
    void SizeResultColumns();
    void EnableCopyEntriesFor(const ItemData* data);
    void ShowContextMenu(FX::FXWindow* clicked, const FX::FXEvent* event);
    ItemData* CurrentItemData(bool& found) const;
    FX::FXint FavouritesPageIndex() const;
    // Runs one of the copy operations on the current item of the page shown.
    long CopyCurrent(bool (MainWindow::*copy)(ItemData*));
    // The code record for data's code, in full; false when it is not there.
    FX::FXString CurrentLineOf(const ItemData* data) const;
    // The title the current line shows after data's code; empty when the
    // line holds none (a term's line, one of a code the catalogue lacks).
    FX::FXString TitleOnLine(const ItemData* data) const;
    void NoteCopied(const ItemData* data, const FX::FXString& title);
    bool FindCode(const ItemData* data, FX::FXString& code, FX::FXString& title);
    void OfferClipText(const FX::FXString& text);
    void KeepClipText(const FX::FXString& text);
    void ForgetClipText();
    // A copy command found nothing to copy: the clipboard is given up, so
    // that no older code is pasted for this entry, and the user hears it.
    void RefuseCopy();
    void FocusTree();
    void FocusSearchField();
    // The box for a database that does not open, naming its file.
    std::string OpenFailure(CatalogueFile which) const;
    void ShowOpenFailure(CatalogueFile which);
    // The line the result list shows when a search listed nothing.
    FX::FXString EmptyResultLine() const;
};

}  // namespace kodexa

#endif
