#include "ui/kodexa_window.h"

#include <fxkeys.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "catalogue/catalogue_sink.h"
#include "ui/pictures.h"
#include "ui/tree_list_sink.h"

using namespace FX;

namespace kodexa {

namespace {

const FXColor kWhite = FXRGB(255, 255, 255);
const FXColor kIconTransparent = FXRGB(192, 192, 192);

// Searched in this order.
FXDEFMAP(Kodexa) kodexaMap[] = {
    FXMAPFUNC(SEL_COMMAND, Kodexa::ID_QUIT, Kodexa::onCmdQuit),
    FXMAPFUNC(SEL_COMMAND, Kodexa::ID_ABOUT, Kodexa::onCmdAbout),
    FXMAPFUNC(SEL_COMMAND, Kodexa::ID_TIPS, Kodexa::onCmdTips),
    FXMAPFUNC(SEL_COMMAND, Kodexa::ID_SEARCH, Kodexa::onCmdSearch),
    FXMAPFUNC(SEL_COMMAND, Kodexa::ID_COPY_CODE, Kodexa::onCmdCopyCode),
    FXMAPFUNC(SEL_COMMAND, Kodexa::ID_COPY_TEXT, Kodexa::onCmdCopyText),
    FXMAPFUNC(SEL_COMMAND, Kodexa::ID_COPY_BOTH, Kodexa::onCmdCopyBoth),
    FXMAPFUNC(SEL_RIGHTBUTTONPRESS, Kodexa::ID_TREE, Kodexa::onTreeRightPress),
    FXMAPFUNC(SEL_RIGHTBUTTONPRESS, Kodexa::ID_RESULTS, Kodexa::onListRightPress),
    FXMAPFUNC(SEL_CLIPBOARD_LOST, 0, Kodexa::onClipboardLost),
    FXMAPFUNC(SEL_CLIPBOARD_GAINED, 0, Kodexa::onClipboardGained),
    FXMAPFUNC(SEL_CLIPBOARD_REQUEST, 0, Kodexa::onClipboardRequest),
    FXMAPFUNC(SEL_COMMAND, Kodexa::ID_SEARCH_FIELD, Kodexa::onCmdSearch),
};

FXGIFIcon* BuiltInIcon(FXApp* app, const pictures::Picture& picture) {
    auto* icon = new FXGIFIcon(app, picture.bytes, kIconTransparent, 0, 1, 1);
    icon->create();
    return icon;
}

FXMenuCommand* WhiteCommand(FXComposite* pane, const FXString& label, FXObject* target, FXSelector id) {
    auto* command = new FXMenuCommand(pane, label, nullptr, target, id, 0);
    command->setBackColor(kWhite);
    return command;
}

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

}  // namespace

FXIMPLEMENT(Kodexa, FXMainWindow, kodexaMap, ARRAYNUMBER(kodexaMap))

Kodexa::Kodexa(FXApp* app)
    : FXMainWindow(app, "Taviron Kodexa 1.0", nullptr, nullptr, DECOR_ALL, 0, 0, 600, 400, 0, 0, 0, 0, 0, 0) {
    tooltip = new FXToolTip(getApp(), TOOLTIP_NORMAL);

    searchIcon = BuiltInIcon(getApp(), pictures::search);
    folderOpenIcon = BuiltInIcon(getApp(), pictures::folder_open);
    folderClosedIcon = BuiltInIcon(getApp(), pictures::folder_closed);
    codeIcon = BuiltInIcon(getApp(), pictures::page);

    dockShell = new FXToolBarShell(this, FRAME_RAISED, 0, 0, 0, 0, 4, 4);
    menubar = new FXMenuBar(this, dockShell, FRAME_RAISED | LAYOUT_FILL_X, 0, 0, 0, 0, 3, 3, 2, 2, 4, 4);
    new FXToolBarGrip(menubar, menubar, FXMenuBar::ID_TOOLBARGRIP, TOOLBARGRIP_DOUBLE);

    tabbook = new FXTabBook(this, this, ID_TABBOOK,
                            PACK_UNIFORM_WIDTH | PACK_UNIFORM_HEIGHT | LAYOUT_FILL_X | LAYOUT_FILL_Y | LAYOUT_RIGHT, 0,
                            0, 0, 0, 4, 4, 4, 4);
    browserTab = new FXTabItem(tabbook, "&Browser", nullptr, TAB_TOP_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
    treePage = new FXHorizontalFrame(tabbook, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
    auto* treeFrame = new FXHorizontalFrame(treePage, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0,
                                            0, 0, 0, 0, 0, 0, 0, 4, 4);
    // This toolkit has no count of visible items; the tree takes the frame's height.
    tree = new FXTreeList(treeFrame, this, ID_TREE,
                          TREELIST_SHOWS_LINES | TREELIST_SHOWS_BOXES | TREELIST_ROOT_BOXES | FRAME_SUNKEN |
                              FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y);

    searchTab = new FXTabItem(tabbook, "&Suche", nullptr, TAB_TOP_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
    auto* searchPage = new FXVerticalFrame(tabbook, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
    searchBar = new FXHorizontalFrame(searchPage, FRAME_RIDGE | LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
    resultFrame = new FXHorizontalFrame(searchPage, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0,
                                        0, 0, 0, 0, 0, 0, 4, 4);
    searchField = new FXTextField(searchBar, 20, this, ID_SEARCH_FIELD,
                                  TEXTFIELD_ENTER_ONLY | FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X, 0, 0, 0, 0, 2, 2,
                                  2, 2);
    new FXButton(searchBar, "&Suchen", searchIcon, this, ID_SEARCH,
                 BUTTON_INITIAL | BUTTON_DEFAULT | ICON_BEFORE_TEXT | FRAME_RAISED | FRAME_THICK | LAYOUT_FIX_WIDTH, 0,
                 0, 70, 0, 2, 2, 2, 2);
    // "&Suche" and "&Suchen" share Alt+S, and the button, made last, would
    // take it over: Alt+S on the tree page would search for whatever the
    // hidden field holds (all codes when it is empty). Alt+S opens the page,
    // as the tab shows; Enter in the field searches.
    searchTab->addHotKey(parseHotKey("&Suche"));
    resultList = new FXIconList(resultFrame, this, ID_RESULTS, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    resultList->appendHeader("Code", nullptr, 20);
    // The frame is not laid out yet; every search sets usable widths.
    resultList->appendHeader("Titel", nullptr, resultFrame->getWidth() - 20);

    BuildMenus();
    clipText = nullptr;

    if (FXAccelTable* accelerators = getAccelTable()) {
        accelerators->addAccel(MKUINT(KEY_c, CONTROLMASK), this, FXSEL(SEL_COMMAND, ID_COPY_CODE), 0);
        accelerators->addAccel(MKUINT(KEY_C, CONTROLMASK), this, FXSEL(SEL_COMMAND, ID_COPY_CODE), 0);
    }
}

void Kodexa::BuildMenus() {
    filemenu = new FXMenuPane(this);
    WhiteCommand(filemenu, "&Beenden", this, ID_QUIT);
    new FXMenuTitle(menubar, "&Datei", nullptr, filemenu);

    editmenu = new FXMenuPane(this);
    WhiteCommand(editmenu, "&Code kopieren", this, ID_COPY_CODE);
    WhiteCommand(editmenu, "&Text kopieren", this, ID_COPY_TEXT);
    WhiteCommand(editmenu, "&Text und Code kopieren", this, ID_COPY_BOTH);
    new FXMenuTitle(menubar, "&Bearbeiten", nullptr, editmenu);

    helpmenu = new FXMenuPane(this);
    WhiteCommand(helpmenu, "&Tips", this, ID_TIPS);
    WhiteCommand(helpmenu, "&Über", this, ID_ABOUT);
    new FXMenuTitle(menubar, "&Hilfe", nullptr, helpmenu);

    popupMenu = new FXMenuPane(this);
    popupCopyCode = WhiteCommand(popupMenu, "&Code kopieren", this, ID_COPY_CODE);
    popupCopyText = WhiteCommand(popupMenu, "&Text kopieren", this, ID_COPY_TEXT);
    popupCopyBoth = WhiteCommand(popupMenu, "&Text und Code kopieren", this, ID_COPY_BOTH);
}

Kodexa::~Kodexa() {
    CloseCatalogue();
    delete filemenu;
    delete helpmenu;
    delete editmenu;
    delete dockShell;
    delete searchIcon;
    delete folderOpenIcon;
    delete folderClosedIcon;
    delete codeIcon;
    delete popupMenu;
    ForgetClipText();
}

void Kodexa::create() {
    FXMainWindow::create();
    dockShell->create();
    popupMenu->create();
    OpenCatalogue();
    FillChapterTree();
    show(PLACEMENT_SCREEN);
}

void Kodexa::detach() {
    FXMainWindow::detach();
    dockShell->detach();
}

std::string Kodexa::programDirectory() const {
    const char* argv0 = getApp()->getArgc() > 0 ? getApp()->getArgv()[0] : nullptr;
    return ProgramDirectory(ExecutablePath(argv0));
}

int Kodexa::openDatabase(ObjectDatabase& db, const std::string& dir, CatalogueFile which, int readWrite) {
    return OpenCatalogueDatabase(db, dir, which, readWrite);
}

bool Kodexa::mayWrite(const std::string& path) const { return access(path.c_str(), W_OK) == 0; }

void Kodexa::OpenCatalogue() {
    const std::string dir = programDirectory();
    OpenOne(chapterDb, dir, CatalogueFile::Chapters);
    OpenOne(groupDb, dir, CatalogueFile::Groups);
    OpenOne(codeDb, dir, CatalogueFile::Codes);
}

void Kodexa::OpenOne(ObjectDatabase& db, const std::string& dir, CatalogueFile which) {
    const CatalogueFileNames& names = NamesOf(which);
    const std::string dataName = dir + names.dataName;
    const std::string indexName = dir + names.indexName;
    std::printf("%s %s\n", dataName.c_str(), indexName.c_str());
    std::fflush(stdout);

    int result = openDatabase(db, dir, which, 1);
    if (result == 0) ReopenForReading(db, dir, which);
    // A catalogue installed where this user may not write is still there to
    // be read: the window only reads records.
    if (result != 0 && FileExists(dataName) && FileExists(indexName) &&
        !(mayWrite(dataName) && mayWrite(indexName))) {
        db.Close();
        result = openDatabase(db, dir, which, 0);
    }
    if (result != 0) {
        FXMessageBox box(this, "Datafile", names.errorMessage, nullptr, MBOX_OK, 0, 0);
        box.execute(PLACEMENT_CURSOR);
    }
}

// The window only reads records. Once the files have opened for writing
// (which makes what is missing, and fails where it always failed), they are
// opened again read-only, so that every read comes from a mapping of its
// file instead of a system call. Should that fail, they stay as they were.
void Kodexa::ReopenForReading(ObjectDatabase& db, const std::string& dir, CatalogueFile which) {
    if (db.Close() != 0) return;
    if (openDatabase(db, dir, which, 0) == 0) return;
    db.Close();
    openDatabase(db, dir, which, 1);
}

void Kodexa::CloseCatalogue() {
    groupDb.Close();
    chapterDb.Close();
    codeDb.Close();
}

bool Kodexa::FillChapterTree() {
    TreeListSink sink(tree, folderOpenIcon, folderClosedIcon, codeIcon);
    return kodexa::FillChapterTree(chapterDb, groupDb, codeDb, sink);
}

}  // namespace kodexa
