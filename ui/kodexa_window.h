// The main window: the catalogue tree, the search page, the menus, and the
// text last put on the clipboard.
#ifndef KODEXA_UI_KODEXA_WINDOW_H
#define KODEXA_UI_KODEXA_WINDOW_H

#include <fx.h>

#include <string>

#include "catalogue/catalogue_files.h"
#include "index/object_database.h"

namespace kodexa {

class ItemData;

class Kodexa : public FX::FXMainWindow {
    FXDECLARE(Kodexa)
protected:
    Kodexa() = default;

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
        ID_LAST
    };

    explicit Kodexa(FX::FXApp* app);
    ~Kodexa() override;
    Kodexa(const Kodexa&) = delete;
    Kodexa& operator=(const Kodexa&) = delete;

    void create() override;
    void detach() override;

    long onCmdQuit(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdAbout(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdTips(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdSearch(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdCopyCode(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdCopyText(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdCopyBoth(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onTreeRightPress(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onListRightPress(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onClipboardLost(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onClipboardGained(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onClipboardRequest(FX::FXObject* sender, FX::FXSelector sel, void* ptr);

    // Opens the three catalogue databases in the program's directory, with a
    // "Datafile" box for each that fails.
    void OpenCatalogue();
    void CloseCatalogue();
    // Fills the tree from the open catalogue; false when the walk stopped early.
    bool FillChapterTree();

    // Appends a result line for every code the search field's text finds;
    // false when there was none.
    bool SearchCodes();

    bool copyCode(ItemData* data);
    bool copyText(ItemData* data);
    bool copyCodeAndText(ItemData* data);

    // The directory of the program's own executable, ending in '/'.
    virtual std::string programDirectory() const;

    // For tests and the tips/about/search steps.
    FX::FXTreeList* getTree() const { return tree; }
    FX::FXIconList* getResultList() const { return resultList; }
    FX::FXHorizontalFrame* getResultFrame() const { return resultFrame; }
    FX::FXTabBook* getTabBook() const { return tabbook; }
    FX::FXTextField* getSearchField() const { return searchField; }
    FX::FXMenuPane* getEditMenu() const { return editmenu; }
    FX::FXMenuPane* getPopupMenu() const { return popupMenu; }
    FX::FXMenuCommand* getPopupCopyCode() const { return popupCopyCode; }
    FX::FXMenuCommand* getPopupCopyText() const { return popupCopyText; }
    FX::FXMenuCommand* getPopupCopyBoth() const { return popupCopyBoth; }
    FX::FXIcon* getFolderOpenIcon() const { return folderOpenIcon; }
    FX::FXIcon* getFolderClosedIcon() const { return folderClosedIcon; }
    FX::FXIcon* getCodeIcon() const { return codeIcon; }
    FX::FXIcon* getSearchIcon() const { return searchIcon; }
    const char* getClipText() const { return clipText; }
    FX::FXint getClipLength() const { return clipLength; }
    ObjectDatabase& CodeDatabase() { return codeDb; }

protected:
    // One database of the catalogue; tests stand in here for a place the
    // user may not write to, which root (who runs CI) never meets.
    virtual int openDatabase(ObjectDatabase& db, const std::string& dir, CatalogueFile which, int readWrite);
    virtual bool mayWrite(const std::string& path) const;

private:
    void BuildMenus();
    void OpenOne(ObjectDatabase& db, const std::string& dir, CatalogueFile which);
    void ReopenForReading(ObjectDatabase& db, const std::string& dir, CatalogueFile which);
    void ClearResults();
    void ShowContextMenu(FX::FXWindow* clicked, const FX::FXEvent* event);
    ItemData* CurrentItemData(bool& found) const;
    // Runs one of the copy operations on the current item of the page shown.
    long CopyCurrent(bool (Kodexa::*copy)(ItemData*));
    void KeepClipText(const FX::FXString& text);
    void ForgetClipText();

    FX::FXToolTip* tooltip = nullptr;
    FX::FXMenuBar* menubar = nullptr;
    FX::FXMenuPane* filemenu = nullptr;
    FX::FXMenuPane* editmenu = nullptr;
    FX::FXMenuPane* helpmenu = nullptr;
    FX::FXTabBook* tabbook = nullptr;
    FX::FXTabItem* browserTab = nullptr;
    FX::FXTabItem* searchTab = nullptr;
    FX::FXHorizontalFrame* searchBar = nullptr;
    FX::FXHorizontalFrame* resultFrame = nullptr;
    FX::FXHorizontalFrame* treePage = nullptr;
    FX::FXTextField* searchField = nullptr;
    FX::FXIconList* resultList = nullptr;
    FX::FXTreeList* tree = nullptr;
    FX::FXToolBarShell* dockShell = nullptr;
    char* clipText = nullptr;  // NUL-terminated; null unless we own the clipboard
    FX::FXint clipLength = 0;
    FX::FXMenuCommand* popupCopyCode = nullptr;
    FX::FXMenuCommand* popupCopyText = nullptr;
    FX::FXMenuCommand* popupCopyBoth = nullptr;
    ObjectDatabase groupDb;    // data1
    ObjectDatabase chapterDb;  // data2
    ObjectDatabase codeDb;     // data3
    FX::FXGIFIcon* searchIcon = nullptr;
    FX::FXGIFIcon* folderOpenIcon = nullptr;
    FX::FXGIFIcon* folderClosedIcon = nullptr;
    FX::FXGIFIcon* codeIcon = nullptr;
    FX::FXMenuPane* popupMenu = nullptr;
};

}  // namespace kodexa

#endif
