// The main window: construction, menus, the catalogue it opens, search,
// context menus, copy commands and its side of the clipboard.
#include "ui/main_window.h"

#include <fxkeys.h>

#include <cstring>
#include <vector>

#include "catalogue/text_encoding.h"
#include "kodexa_version.h"
#include "catalogue/catalogue_shelf.h"
#include "ui/catalogue_chooser.h"
#include "ui/code_facts_text.h"
#include "catalogue/code_marks.h"
#include "ui/details_window.h"
#include "ui/diagnosis_page.h"
#include "ui/favourites_page.h"
#include "ui/fx_string.h"
#include "ui/info_window.h"
#include "ui/item_data.h"
#include "ui/list_sinks.h"
#include "ui/pictures.h"
#include "ui/window_texts.h"

using namespace FX;

namespace kodexa {

namespace {

const FXColor kWhite = FXRGB(255, 255, 255);
const FXColor kIconTransparent = FXRGB(192, 192, 192);
// The settings entry of the catalogue chosen last; empty for the program's own.
const char kCatalogueKey[] = "catalogue";

enum Page { kBrowserPage = 0, kSearchPage = 1, kDiagnosisPage = 2 };

// The codes' marks are read once the window is on the screen: reading every
// code's facts would keep it from showing for as long again as the tree.
constexpr FXuint kMarkCodesDelay = 1;  // milliseconds

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

bool IsPlainSingleClick(const FXEvent* event) { return !event->moved && event->click_count == 1; }

bool IsCodeKind(const ItemData* data) {
    return data->kind == kKindBranchCode || data->kind == kKindLeafCode || data->kind == kKindTerm;
}


// Chapters and groups have a code but no title of their own to copy; a
// cross-reference has neither; the line for no hits carries no data.
bool HasCodeToCopy(const ItemData* data) {
    return data != nullptr && data->kind != kKindCrossReference && !data->code.empty();
}
bool HasTitleToCopy(const ItemData* data) { return data != nullptr && IsCodeKind(data); }

// Shown once per tree walk or search that met a file it could not read: a
// tree or a result list cut short must not pass for the whole catalogue.
FXString DamagedText(const std::string& file) {
    return "Der Katalog ist besch\xc3\xa4" "digt: " + ToFXString(file) +
           " konnte nicht ganz gelesen werden.\n"
           "Angezeigt wird nur, was gelesen werden konnte.\n"
           "Bitte importieren Sie den Katalog neu (kodexa-import).";
}

}  // namespace

// Message map; entries in the order of the ids, after the one message that
// comes once for every item of the tree and is looked up first.
FXDEFMAP(MainWindow) MainWindowMap[] = {
    //________Message_Type____________ID_____________________________Message_Handler______
    FXMAPFUNC(SEL_INSERTED,           MainWindow::ID_TREE,               MainWindow::onTreeInserted),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_QUIT,               MainWindow::onCmdQuit),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_TABBOOK,            MainWindow::onCmdTabBook),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_SEARCH,             MainWindow::onCmdSearch),
    FXMAPFUNC(SEL_RIGHTBUTTONPRESS,   MainWindow::ID_TREE,               MainWindow::onTreeRightPress),
    FXMAPFUNC(SEL_RIGHTBUTTONPRESS,   MainWindow::ID_RESULTS,            MainWindow::onListRightPress),
    FXMAPFUNC(SEL_DOUBLECLICKED,      MainWindow::ID_TREE,               MainWindow::onTreeDoubleClicked),
    FXMAPFUNC(SEL_DOUBLECLICKED,      MainWindow::ID_RESULTS,            MainWindow::onListDoubleClicked),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_ABOUT,              MainWindow::onCmdAbout),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_COPY_CODE,          MainWindow::onCmdCopyCode),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_COPY_TEXT,          MainWindow::onCmdCopyText),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_COPY_BOTH,          MainWindow::onCmdCopyBoth),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_SEARCH_FIELD,       MainWindow::onCmdSearch),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_TIPS,               MainWindow::onCmdTips),
    FXMAPFUNC(SEL_CHANGED,            MainWindow::ID_SEARCH_FIELD,       MainWindow::onSearchTyped),
    FXMAPFUNC(SEL_TIMEOUT,            MainWindow::ID_SEARCH_PAUSE,       MainWindow::onSearchPause),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_CHOOSE_CATALOGUE,   MainWindow::onCmdChooseCatalogue),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_ADD_TO_CASE,        MainWindow::onCmdAddToCase),
    FXMAPFUNC(SEL_TIMEOUT,            MainWindow::ID_MARK_CODES,         MainWindow::onTimeoutMarkCodes),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_ADD_FAVOURITE,      MainWindow::onCmdAddFavourite),
    FXMAPFUNC(SEL_DOUBLECLICKED,      MainWindow::ID_FAVOURITES,         MainWindow::onFavouritesDoubleClicked),
    FXMAPFUNC(SEL_RIGHTBUTTONPRESS,   MainWindow::ID_FAVOURITES,         MainWindow::onFavouritesRightPress),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_SHOW_FAVOURITES,    MainWindow::onCmdShowFavourites),
    FXMAPFUNC(SEL_CLIPBOARD_LOST,     0,                             MainWindow::onClipboardLost),
    FXMAPFUNC(SEL_CLIPBOARD_GAINED,   0,                             MainWindow::onClipboardGained),
    FXMAPFUNC(SEL_CLIPBOARD_REQUEST,  0,                             MainWindow::onClipboardRequest),
    FXMAPFUNCS(SEL_UPDATE,            MainWindow::ID_COPY_CODE, MainWindow::ID_COPY_BOTH, MainWindow::onUpdCopy),
    FXMAPFUNC(SEL_UPDATE,             MainWindow::ID_ADD_TO_CASE,        MainWindow::onUpdCopy),
    FXMAPFUNC(SEL_UPDATE,             MainWindow::ID_ADD_FAVOURITE,      MainWindow::onUpdAddFavourite),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_SHOW_BROWSER,       MainWindow::onCmdShowBrowser),
    FXMAPFUNC(SEL_COMMAND,            MainWindow::ID_SHOW_SEARCH,        MainWindow::onCmdShowSearch),
    FXMAPFUNC(SEL_QUERY_TIP,          MainWindow::ID_RESULTS,            MainWindow::onQueryResultTip),
};

// Object implementation
FXIMPLEMENT(MainWindow, FXMainWindow, MainWindowMap, ARRAYNUMBER(MainWindowMap))

MainWindow::MainWindow(FXApp* app)
    // Not shrinkable: the window manager is told the smallest size at which
    // the menus, the tabs and a line of the list still show.
    : FXMainWindow(app, "Taviron Kodexa " KODEXA_VERSION, nullptr, nullptr, DECOR_ALL & ~DECOR_SHRINKABLE, 0, 0, 600, 400,
                   0, 0, 0, 0, 0, 0) {
    tooltip = new FXToolTip(getApp(), TOOLTIP_NORMAL);

    searchIcon = BuiltInIcon(getApp(), pictures::search);
    folderOpenIcon = BuiltInIcon(getApp(), pictures::folder_open);
    folderClosedIcon = BuiltInIcon(getApp(), pictures::folder_closed);
    codeIcon = BuiltInIcon(getApp(), pictures::page);
    notForCodingIcon = BuiltInIcon(getApp(), pictures::page_void);

    dockShell = new FXToolBarShell(this, FRAME_RAISED, 0, 0, 0, 0, 4, 4);
    menubar = new FXMenuBar(this, dockShell, FRAME_RAISED | LAYOUT_FILL_X, 0, 0, 0, 0, 3, 3, 2, 2, 4, 4);
    new FXToolBarGrip(menubar, menubar, FXMenuBar::ID_TOOLBARGRIP, TOOLBARGRIP_DOUBLE);

    tabbook = new FXTabBook(this, this, ID_TABBOOK,
                            PACK_UNIFORM_WIDTH | PACK_UNIFORM_HEIGHT | LAYOUT_FILL_X | LAYOUT_FILL_Y | LAYOUT_RIGHT, 0,
                            0, 0, 0, 4, 4, 4, 4);
    browserTab = new FXTabItem(tabbook, "B&rowser", nullptr, TAB_TOP_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
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
    // As wide as its icon and whole label need.
    searchButton = new FXButton(searchBar, "&Suchen", searchIcon, this, ID_SEARCH,
                                BUTTON_INITIAL | BUTTON_DEFAULT | ICON_BEFORE_TEXT | FRAME_RAISED | FRAME_THICK, 0, 0,
                                0, 0, 2, 2, 2, 2);
    // "&Suche" and "&Suchen" share Alt+S, and the button, made last, would
    // take it over: Alt+S on the tree page would search for whatever the
    // hidden field holds (all codes when it is empty). Alt+S opens the page,
    // as the tab shows; Enter in the field searches.
    searchTab->addHotKey(parseHotKey("&Suche"));
    resultList = new FXIconList(resultFrame, this, ID_RESULTS, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    resultList->appendHeader("Code", nullptr, 20);
    // The frame is not laid out yet; every search sets usable widths.
    resultList->appendHeader("Titel", nullptr, resultFrame->getWidth() - 20);

    diagnosisTab = new FXTabItem(tabbook, "Dia&gnosen", nullptr, TAB_TOP_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
    diagnosisPage = new DiagnosisPage(tabbook, [this](const std::string& text) { OfferClipText(ToFXString(text)); });
    favouritesTab = new FXTabItem(tabbook, "&Favoriten", nullptr, TAB_TOP_NORMAL, 0, 0, 0, 0, 2, 2, 2, 2);
    favouritesPage = new FavouritesPage(tabbook, this, ID_FAVOURITES, codeIcon);

    BuildMenus();
    statusLine = MakeStatusLine(this, tabbook);
    clipText = nullptr;

    if (FXAccelTable* accelerators = getAccelTable()) {
        accelerators->addAccel(MKUINT(KEY_c, CONTROLMASK), this, FXSEL(SEL_COMMAND, ID_COPY_CODE), 0);
        accelerators->addAccel(MKUINT(KEY_C, CONTROLMASK), this, FXSEL(SEL_COMMAND, ID_COPY_CODE), 0);
        // The tabs' keys also when their page is open already: they take the
        // keys back to the tree or the search field.
        accelerators->addAccel(parseHotKey("B&rowser"), this, FXSEL(SEL_COMMAND, ID_SHOW_BROWSER), 0);
        accelerators->addAccel(parseHotKey("&Suche"), this, FXSEL(SEL_COMMAND, ID_SHOW_SEARCH), 0);
        // and back from the filter field to the favourites.
        accelerators->addAccel(parseHotKey("&Favoriten"), this, FXSEL(SEL_COMMAND, ID_SHOW_FAVOURITES), 0);
        accelerators->addAccel(MKUINT(KEY_d, CONTROLMASK), this, FXSEL(SEL_COMMAND, ID_ADD_FAVOURITE), 0);
        accelerators->addAccel(MKUINT(KEY_D, CONTROLMASK), this, FXSEL(SEL_COMMAND, ID_ADD_FAVOURITE), 0);
    }
}

void MainWindow::BuildMenus() {
    filemenu = new FXMenuPane(this);
    WhiteCommand(filemenu, "&Katalog w\xc3\xa4hlen ...", this, ID_CHOOSE_CATALOGUE);
    WhiteCommand(filemenu, "Favoriten &exportieren\xe2\x80\xa6", favouritesPage, FavouritesPage::ID_EXPORT);
    WhiteCommand(filemenu, "Favoriten &importieren\xe2\x80\xa6", favouritesPage, FavouritesPage::ID_IMPORT);
    new FXMenuSeparator(filemenu);
    WhiteCommand(filemenu, "&Beenden", this, ID_QUIT);
    new FXMenuTitle(menubar, "&Datei", nullptr, filemenu);

    editmenu = new FXMenuPane(this);
    WhiteCommand(editmenu, "&Code kopieren", this, ID_COPY_CODE);
    WhiteCommand(editmenu, "&Text kopieren", this, ID_COPY_TEXT);
    WhiteCommand(editmenu, "Text &und Code kopieren", this, ID_COPY_BOTH);
    // The toolkit would read "Strg+D" as the key S: the text is only shown.
    WhiteCommand(editmenu, "Zu den &Favoriten", this, ID_ADD_FAVOURITE)->setAccelText("Strg+D");
    new FXMenuTitle(menubar, "&Bearbeiten", nullptr, editmenu);

    helpmenu = new FXMenuPane(this);
    WhiteCommand(helpmenu, "&Tipps", this, ID_TIPS);
    WhiteCommand(helpmenu, "&Über", this, ID_ABOUT);
    new FXMenuTitle(menubar, "&Hilfe", nullptr, helpmenu);

    popupMenu = new FXMenuPane(this);
    popupCopyCode = WhiteCommand(popupMenu, "&Code kopieren", this, ID_COPY_CODE);
    popupCopyText = WhiteCommand(popupMenu, "&Text kopieren", this, ID_COPY_TEXT);
    popupCopyBoth = WhiteCommand(popupMenu, "Text &und Code kopieren", this, ID_COPY_BOTH);
    popupAddToCase = WhiteCommand(popupMenu, "&Zur Diagnoseliste", this, ID_ADD_TO_CASE);
    popupAddFavourite = WhiteCommand(popupMenu, "Zu den &Favoriten", this, ID_ADD_FAVOURITE);
}

MainWindow::~MainWindow() {
    getApp()->removeTimeout(this, ID_MARK_CODES);
    CloseCatalogue();
    delete filemenu;
    delete helpmenu;
    delete editmenu;
    delete dockShell;
    delete searchIcon;
    delete folderOpenIcon;
    delete folderClosedIcon;
    delete codeIcon;
    delete notForCodingIcon;
    delete popupMenu;
    ForgetClipText();
}

void MainWindow::create() {
    FXMainWindow::create();
    dockShell->create();
    popupMenu->create();
    OpenCatalogue();
    FillChapterTree();
    favouritesPage->Load(catalogue.get(), LoadedEdition());
    show(PLACEMENT_SCREEN);
    getApp()->addTimeout(this, ID_MARK_CODES, kMarkCodesDelay);
}

// The tree and the lists ask for hardly any height of their own: one line
// of text more, with its icon, keeps a line of each in view.
FXint MainWindow::getDefaultHeight() {
    const FXint kIconHeight = 16, kLineSpacing = 8;
    return FXMainWindow::getDefaultHeight() + FXMAX(getApp()->getNormalFont()->getFontHeight(), kIconHeight) +
           kLineSpacing;
}

void MainWindow::detach() {
    FXMainWindow::detach();
    dockShell->detach();
}

std::string MainWindow::programDirectory() const {
    const char* argv0 = getApp()->getArgc() > 0 ? getApp()->getArgv()[0] : nullptr;
    return ProgramDirectory(ExecutablePath(argv0));
}

std::unique_ptr<Catalogue> MainWindow::makeCatalogue(const std::string& dir) const {
    return std::make_unique<Catalogue>(dir);
}

std::string MainWindow::catalogueDirectory() const {
    if (!catalogueDir.empty()) return catalogueDir;
    const std::string chosen = getApp()->reg().readStringEntry(KODEXA_VERSION, kCatalogueKey, "");
    return !chosen.empty() && HoldsCatalogue(chosen) ? chosen : programDirectory();
}

void MainWindow::OpenCatalogue() {
    catalogue = makeCatalogue(catalogueDirectory());
    OpenOne(CatalogueFile::Chapters);
    OpenOne(CatalogueFile::Groups);
    OpenOne(CatalogueFile::Codes);
    OpenOptional(CatalogueFile::AlphaIndex);
    OpenFacts();
    OpenOptional(CatalogueFile::Transitions);
    ShowCatalogueStatus();
    codeMarks.reset();  // they were another catalogue's
    diagnosisPage->SetCatalogue(catalogue.get());
}

void MainWindow::ShowCatalogueStatus() {
    TransitionYears years;
    if (catalogue->IsOpen(CatalogueFile::Transitions)) ReadTransitionYears(*catalogue, years);
    const std::string dir = catalogue->Directory();
    const ShelvedCatalogue open{dir, LoadedEdition(), SameDirectory(dir, programDirectory())};
    statusLine->setText(ToFXString(StatusLineText(open, years)));
}

void MainWindow::OpenCatalogueIn(const std::string& dir) {
    ClearResults();
    const std::vector<ItemData*> items = TreeItemData(tree);
    tree->clearItems(FALSE);
    DeleteItemData(items);
    CloseCatalogue();
    catalogueDir = dir;
    OpenCatalogue();
    FillChapterTree();
    getApp()->removeTimeout(this, ID_MARK_CODES);
    MarkCodes();
    favouritesPage->UseCatalogue(catalogue.get(), LoadedEdition());
}

// The choice is kept for the next start; the program's own catalogue is
// kept as no entry, so that it follows the program when that moves.
long MainWindow::onCmdChooseCatalogue(FXObject*, FXSelector, void*) {
    const std::vector<ShelvedCatalogue> entries = ListCatalogues(programDirectory());
    CatalogueChooser chooser(this, entries, catalogue ? catalogue->Directory() : catalogueDirectory());
    if (!chooser.execute(PLACEMENT_OWNER)) return 1;
    const int chosen = chooser.Chosen();
    if (chosen < 0 || chosen >= static_cast<int>(entries.size())) return 1;
    const ShelvedCatalogue& entry = entries[chosen];
    getApp()->reg().writeStringEntry(KODEXA_VERSION, kCatalogueKey, entry.bundled ? "" : entry.dir.c_str());
    getApp()->reg().write();  // kept even if the program is killed later
    if (!catalogue || !SameDirectory(entry.dir, catalogue->Directory())) OpenCatalogueIn(entry.dir);
    return 1;
}

void MainWindow::MarkCodes() {
    if (!catalogue) return;
    codeMarks = std::make_unique<CodeMarks>();
    codeMarks->Load(catalogue->Database(CatalogueFile::Facts));
    CodeDecoration decoration;
    decoration.Use(codeMarks.get(), notForCodingIcon);
    DecorateTree(tree, decoration);
}

long MainWindow::onTimeoutMarkCodes(FXObject*, FXSelector, void*) {
    MarkCodes();
    return 1;
}

// Optional: a catalogue without the facts' files is no failure; one with
// only one of them, or a damaged one, gets its box like any other file.
void MainWindow::OpenFacts() {
    const CatalogueFile facts = CatalogueFile::Facts;
    if (catalogue->Open(facts, CatalogueAccess::Reading) != 0 && !catalogue->IsAbsent(facts)) ShowOpenFailure(facts);
}

Edition MainWindow::LoadedEdition() {
    Edition edition;
    if (catalogue) catalogue->ReadEdition(edition);
    return edition;
}

// A catalogue without the database works as before, without a word; a
// damaged one is shown as any damaged file is, and left aside.
void MainWindow::OpenOptional(CatalogueFile which) {
    if (catalogue->OpenIfPresent(which) == OptionalState::Damaged) ShowOpenFailure(which);
}

void MainWindow::OpenOne(CatalogueFile which) {
    if (catalogue->Open(which, CatalogueAccess::Reading) != 0) ShowOpenFailure(which);
}

void MainWindow::ShowDatafileBox(const FXString& text) {
    FXMessageBox box(this, kDatafileBoxTitle, text, nullptr, MBOX_OK, 0, 0);
    box.execute(PLACEMENT_CURSOR);
}

void MainWindow::ReportUnreadable() {
    if (catalogue && !catalogue->Unreadable().empty()) ShowDatafileBox(DamagedText(catalogue->Unreadable()));
}

// The databases close in table order: groups, chapters, codes.
void MainWindow::CloseCatalogue() {
    if (diagnosisPage != nullptr) diagnosisPage->SetCatalogue(nullptr);
    if (favouritesPage != nullptr) favouritesPage->UseCatalogue(nullptr, Edition());
    catalogue.reset();
}

// The tree reports every item it is given, some 17,000 at start. Nothing
// here wants them; answering "not handled" here, as the toolkit's own
// classes would after searching each of their maps, spares those searches.
long MainWindow::onTreeInserted(FXObject*, FXSelector, void*) { return 0; }

bool MainWindow::FillChapterTree() {
    if (!catalogue) return false;
    TreeListSink sink(tree, folderOpenIcon, folderClosedIcon, codeIcon);
    sink.decoration.Use(codeMarks.get(), notForCodingIcon);
    const bool complete = catalogue->FillTree(sink);
    ReportUnreadable();
    return complete;
}

// Opening the search page (Alt+S or its tab) is asking to type a search.
long MainWindow::onCmdTabBook(FXObject*, FXSelector, void* ptr) {
    if (static_cast<FXint>(reinterpret_cast<FXival>(ptr)) == kSearchPage) {
        FocusSearchField();
    } else if (static_cast<FXint>(reinterpret_cast<FXival>(ptr)) == kBrowserPage) {
        FocusTree();
    }
    if (static_cast<FXint>(reinterpret_cast<FXival>(ptr)) == kDiagnosisPage) diagnosisPage->FocusLine();
    if (static_cast<FXint>(reinterpret_cast<FXival>(ptr)) == FavouritesPageIndex()) favouritesPage->FocusList();
    return 1;
}

long MainWindow::onCmdQuit(FXObject*, FXSelector, void*) {
    getApp()->exit(0);
    return 1;
}

long MainWindow::onCmdAbout(FXObject*, FXSelector, void*) {
    InfoWindow about(this, "Über ...", true, ToFXString(AboutEditionLine(LoadedEdition())));
    about.execute(PLACEMENT_SCREEN);
    return 1;
}

long MainWindow::onCmdTips(FXObject*, FXSelector, void*) {
    InfoWindow tips(this, "Tipps ... ", false);
    tips.execute(PLACEMENT_SCREEN);
    return 1;
}

long MainWindow::onCmdSearch(FXObject*, FXSelector, void*) {
    getApp()->removeTimeout(this, ID_SEARCH_PAUSE);
    ClearResults();
    getApp()->beginWaitCursor();
    if (!SearchCodes()) {
        resultList->appendItem(EmptyResultLine(), nullptr, nullptr, nullptr, FALSE);
        resultList->update();
    }
    SizeResultColumns();
    getApp()->endWaitCursor();
    return 1;
}

// 80 pixels hold any code; the codes of an index term ("A15+ C00.00* U07.1!")
// may need more, and then get it. Only the longest is measured: a search
// may list tens of thousands of terms.
FXint MainWindow::CodeColumnWidth() const {
    const FXint kCodeWidth = 80, kIconAndSpacing = 30;
    const ItemData* longest = nullptr;
    for (FXint i = 0; i < resultList->getNumItems(); ++i) {
        const auto* data = static_cast<const ItemData*>(resultList->getItemData(i));
        if (data != nullptr && data->kind == kKindTerm && (longest == nullptr || data->code.length() > longest->code.length()))
            longest = data;
    }
    if (longest == nullptr) return kCodeWidth;
    return FXMAX(kCodeWidth, resultList->getFont()->getTextWidth(longest->code) + kIconAndSpacing);
}

// The title column takes the list's width beside the code column, less the
// vertical scroll bar that many results bring: so no horizontal scroll bar
// appears. The list is laid out once with a narrow title column to find
// out whether it needs the vertical one.
void MainWindow::SizeResultColumns() {
    const FXint codeWidth = CodeColumnWidth();
    resultList->setHeaderSize(0, codeWidth);
    resultList->setHeaderSize(1, 0);
    resultList->layout();
    FXint visible = resultList->getWidth();
    if (resultList->verticalScrollBar()->shown()) {
        visible -= resultList->verticalScrollBar()->getWidth();
    }
    resultList->setHeaderSize(1, FXMAX(visible - codeWidth, 0));
}

bool MainWindow::SearchCodes() {
    ResultListSink sink(resultList, codeIcon);
    return SearchInto(sink);
}

bool MainWindow::SearchInto(ResultListSink& sink) {
    if (!catalogue) return false;
    sink.decoration.Use(codeMarks.get(), notForCodingIcon);
    const FXString text = searchField->getText();
    const bool found = catalogue->Search(ToString(text), sink);
    if (!sink.Stopped()) ReportUnreadable();
    return found;
}

// Each change waits for the pause; a new change starts the wait anew.
long MainWindow::onSearchTyped(FXObject*, FXSelector, void*) {
    constexpr FXuint kPauseMilliseconds = 150;
    getApp()->addTimeout(this, ID_SEARCH_PAUSE, kPauseMilliseconds);
    return 1;
}

long MainWindow::onSearchPause(FXObject*, FXSelector, void*) {
    SearchTyped();
    return 1;
}

// An emptied field empties the list: every code, which an empty text
// lists, is asked for with Enter, not by deleting the last letter.
void MainWindow::SearchTyped() {
    ClearResults();
    if (searchField->getText().empty()) return;
    ResultListSink sink(resultList, codeIcon, getApp());
    const bool found = SearchInto(sink);
    if (sink.Stopped()) {
        ClearResults();
        onSearchTyped(nullptr, 0, nullptr);
        return;
    }
    if (!found) resultList->appendItem(EmptyResultLine(), nullptr, nullptr, nullptr, FALSE);
    SizeResultColumns();
}

// Once their items are gone nothing can reach the old results' data, so it
// goes with them; otherwise every search would add to what the program holds
// until it ends.
void MainWindow::ClearResults() {
    std::vector<ItemData*> previous;
    previous.reserve(resultList->getNumItems());
    for (FXint i = 0; i < resultList->getNumItems(); ++i) {
        previous.push_back(static_cast<ItemData*>(resultList->getItemData(i)));
    }
    resultList->clearItems(FALSE);
    DeleteItemData(previous);
}

// The menu's commands act on the current item, so the entry right-clicked
// becomes current and selected first, as a left click would make it: left
// as it was, "Code kopieren" would copy the entry current before, a wrong
// code pasted into a patient's record. Beside every entry no menu opens.
long MainWindow::onTreeRightPress(FXObject*, FXSelector, void* ptr) {
    const auto* event = static_cast<const FXEvent*>(ptr);
    if (!IsPlainSingleClick(event)) {
        return 1;
    }
    FXTreeItem* item = tree->getItemAt(event->win_x, event->win_y);
    if (item == nullptr) {
        return 1;
    }
    tree->killSelection(TRUE);
    tree->setCurrentItem(item, TRUE);
    tree->selectItem(item, TRUE);
    tree->setAnchorItem(item);
    EnableCopyEntriesFor(static_cast<const ItemData*>(item->getData()));
    ShowContextMenu(tree, event);
    return 1;
}

// The line for no hits carries no data and opens no menu.
long MainWindow::onListRightPress(FXObject*, FXSelector, void* ptr) {
    const auto* event = static_cast<const FXEvent*>(ptr);
    if (!IsPlainSingleClick(event)) {
        return 1;
    }
    const FXint index = resultList->getItemAt(event->win_x, event->win_y);
    if (index < 0 || resultList->getItemData(index) == nullptr) {
        return 1;
    }
    resultList->killSelection(TRUE);
    resultList->setCurrentItem(index, TRUE);
    resultList->selectItem(index, TRUE);
    resultList->setAnchorItem(index);
    EnableCopyEntriesFor(static_cast<const ItemData*>(resultList->getItemData(index)));
    ShowContextMenu(resultList, event);
    return 1;
}

// Title and code can be copied for codes only; the code of every entry
// that has one.
void MainWindow::EnableCopyEntriesFor(const ItemData* data) {
    if (HasCodeToCopy(data)) {
        popupCopyCode->enable();
    } else {
        popupCopyCode->disable();
    }
    if (HasTitleToCopy(data)) {
        popupCopyText->enable();
        popupCopyBoth->enable();
        popupAddToCase->enable();
    } else {
        popupCopyText->disable();
        popupCopyBoth->disable();
        popupAddToCase->disable();
    }
    if (!FavouriteCode(data).empty())
        popupAddFavourite->enable();
    else
        popupAddFavourite->disable();
}

// A leaf code shows its details; on anything else the tree goes on as it
// always did (a branch opens or closes). Enter on an item arrives here too.
long MainWindow::onTreeDoubleClicked(FXObject*, FXSelector, void* ptr) {
    const auto* item = static_cast<const FXTreeItem*>(ptr);
    const auto* data = item != nullptr ? static_cast<const ItemData*>(item->getData()) : nullptr;
    if (data == nullptr || data->kind != kKindLeafCode) return 0;
    showDetails(ToString(data->code));
    return 1;
}

// ptr is the index of the line; the line for no hits carries no data.
long MainWindow::onListDoubleClicked(FXObject*, FXSelector, void* ptr) {
    const FXint index = static_cast<FXint>(reinterpret_cast<FXival>(ptr));
    if (index < 0 || index >= resultList->getNumItems()) return 0;
    const auto* data = static_cast<const ItemData*>(resultList->getItemData(index));
    if (data == nullptr || !IsCodeKind(data)) return 0;
    showDetails(ToString(data->code));
    return 1;
}

bool MainWindow::showDetails(const std::string& code) {
    CodeFacts facts;
    if (!catalogue || !catalogue->LookUp(code, facts)) {
        ReportUnreadable();
        return false;
    }
    // A facts file cut short reads as a code without facts: the limits of
    // sex and age would silently be gone.
    const bool whole = catalogue->Unreadable().empty() && catalogue->FilesWhole();
    ReportUnreadable();
    const Edition edition = LoadedEdition();
    const CodeMark mark = codeMarks ? codeMarks->Of(facts.code).mark : CodeMark::None;
    CatalogueRules rules(*catalogue);
    const std::vector<Finding> findings = DiagnosisChecker(rules, edition).CheckCodeAlone(facts.code);
    DetailsWindow details(this, DetailLines(facts, edition, !whole, OriginOf(*catalogue, facts.code), mark, findings));
    details.execute(PLACEMENT_OWNER);
    return true;
}

// The clicked widget took the pointer before it passed the press on; left
// with it, the menu never sees a click outside itself and can only be closed
// by choosing an entry.
// The keys go to the menu while it is up, so that Escape closes it and the
// arrow keys and Enter choose, instead of reaching the window beneath.
void MainWindow::ShowContextMenu(FXWindow* clicked, const FXEvent* event) {
    if (clicked->grabbed()) {
        clicked->ungrab();
    }
    popupMenu->popup(nullptr, event->root_x, event->root_y);
    popupMenu->grabKeyboard();
    getApp()->runModalWhileShown(popupMenu);
    if (popupMenu->grabbedKeyboard()) {
        popupMenu->ungrabKeyboard();
    }
}


// Found is false when there is no current item on the page that shows; the
// item itself may still carry no data.
ItemData* MainWindow::CurrentItemData(bool& found) const {
    found = false;
    switch (tabbook->getCurrent()) {
        case kBrowserPage: {
            FXTreeItem* item = tree->getCurrentItem();
            if (item == nullptr) {
                return nullptr;
            }
            found = true;
            return static_cast<ItemData*>(item->getData());
        }
        case kSearchPage: {
            const FXint index = resultList->getCurrentItem();
            if (index < 0) {
                return nullptr;
            }
            found = true;
            return static_cast<ItemData*>(resultList->getItemData(index));
        }
        default:
            if (tabbook->getCurrent() == FavouritesPageIndex()) return favouritesPage->CurrentItemData(found);
            return nullptr;
    }
}

long MainWindow::CopyCurrent(bool (MainWindow::*copy)(ItemData*)) {
    bool found = false;
    ItemData* data = CurrentItemData(found);
    if (found) {
        (this->*copy)(data);
    } else {
        RefuseCopy();
    }
    return 1;
}

// A term of the alphabetical index brings each of its codes ("D86.8+ G99.8*").
long MainWindow::onCmdAddToCase(FXObject*, FXSelector, void*) {
    bool found = false;
    const ItemData* data = CurrentItemData(found);
    if (data == nullptr || !IsCodeKind(data)) return 1;
    const FXString codes = data->code;
    for (FXint i = 0; i < codes.contains(' ') + 1; ++i) diagnosisPage->AddCode(codes.section(' ', i).text());
    return 1;
}

long MainWindow::onCmdCopyCode(FXObject*, FXSelector, void*) { return CopyCurrent(&MainWindow::copyCode); }

long MainWindow::onCmdCopyText(FXObject*, FXSelector, void*) { return CopyCurrent(&MainWindow::copyText); }

long MainWindow::onCmdCopyBoth(FXObject*, FXSelector, void*) { return CopyCurrent(&MainWindow::copyCodeAndText); }

bool MainWindow::copyCode(ItemData* data) {
    if (data == nullptr) {
        RefuseCopy();
        return false;
    }
    // A cross-reference points to other terms, not to a code.
    if (!HasCodeToCopy(data)) {
        RefuseCopy();
        return true;
    }
    OfferClipText(data->code);
    NoteCopied(data, TitleOnLine(data));
    return true;
}

// The current item's own line: "A00 - Cholera" in the tree, "A00\tCholera"
// in the result list; empty when data is not the current item's.
FXString MainWindow::CurrentLineOf(const ItemData* data) const {
    bool found = false;
    if (data == nullptr || CurrentItemData(found) != data) return FXString();
    if (tabbook->getCurrent() == kBrowserPage) return tree->getCurrentItem()->getText();
    if (tabbook->getCurrent() == FavouritesPageIndex()) return favouritesPage->CurrentLine();
    return resultList->getItemText(resultList->getCurrentItem());
}

// A code's title is the one its line shows, after the code; a term's line
// shows the term, so the title of its code is looked up, as it is for a
// line that does not hold its code's title.
FXString MainWindow::TitleOnLine(const ItemData* data) const {
    const FXString line = data->kind == kKindTerm ? FXString() : CurrentLineOf(data);
    const FXint start = data->code.length();
    const FXint gap = line.mid(start, 3) == " - " ? 3 : line.mid(start, 1) == "\t" ? 1 : 0;
    if (gap > 0 && line.left(start) == data->code) return line.mid(start + gap, line.length() - start - gap);
    return FXString();
}

bool MainWindow::FindCode(const ItemData* data, FXString& code, FXString& title) {
    title = TitleOnLine(data);
    if (!title.empty()) {
        code = data->code;
        return true;
    }
    CodeFacts facts;
    const FXString& wanted = data->kind == kKindTerm ? data->titleCode : data->code;
    if (!catalogue || !catalogue->LookUp(ToString(wanted), facts)) {
        ReportUnreadable();  // a record that cannot be read is damage, not a code missing
        return false;
    }
    code = data->kind == kKindTerm ? data->code : ToFXString(facts.code);
    title = ToFXString(facts.title);
    return true;
}
bool MainWindow::copyText(ItemData* data) {
    FXString code;
    FXString title;
    if (data == nullptr || !IsCodeKind(data) || !FindCode(data, code, title)) {
        RefuseCopy();
        return true;
    }
    OfferClipText(title);
    NoteCopied(data, title);
    return true;
}

bool MainWindow::copyCodeAndText(ItemData* data) {
    FXString code;
    FXString title;
    if (data == nullptr || !IsCodeKind(data) || !FindCode(data, code, title)) {
        RefuseCopy();
        return true;
    }
    OfferClipText(code + " - " + title);
    NoteCopied(data, title);
    return true;
}

// The title goes along, so that the list of codes copied last need not
// read it (for a term, the title of its code, or none).
void MainWindow::NoteCopied(const ItemData* data, const FXString& title) {
    favouritesPage->NoteCopied(FavouriteCode(data), ToString(title));
}

// A chapter or a group is refused as a copy of nothing is; a code that is
// a favourite already is left as it is.
long MainWindow::onCmdAddFavourite(FXObject*, FXSelector, void*) {
    bool found = false;
    const ItemData* data = CurrentItemData(found);
    if (FavouriteCode(data).empty())
        getApp()->beep();
    else
        addFavourite(data);
    return 1;
}

long MainWindow::onUpdAddFavourite(FXObject* sender, FXSelector, void*) {
    bool found = false;
    const bool enable = !FavouriteCode(CurrentItemData(found)).empty();
    sender->handle(this, FXSEL(SEL_COMMAND, enable ? ID_ENABLE : ID_DISABLE), nullptr);
    return 1;
}

bool MainWindow::addFavourite(const ItemData* data) { return favouritesPage->AddFavourite(FavouriteCode(data)); }

long MainWindow::onFavouritesDoubleClicked(FXObject*, FXSelector, void* ptr) {
    const std::string code = FavouriteCode(static_cast<const ItemData*>(ptr));
    return !code.empty() && showDetails(code) ? 1 : 0;
}

// The page made the entry current already.
long MainWindow::onFavouritesRightPress(FXObject* sender, FXSelector, void* ptr) {
    bool found = false;
    EnableCopyEntriesFor(favouritesPage->CurrentItemData(found));
    ShowContextMenu(static_cast<FXWindow*>(sender), static_cast<const FXEvent*>(ptr));
    return 1;
}

// Each page follows its tab among the tab book's children.
FXint MainWindow::FavouritesPageIndex() const { return tabbook->indexOfChild(favouritesTab) / 2; }

// Alt+F opens the page, and puts the focus back on the list when the page
// is open already (from the filter field).
long MainWindow::onCmdShowFavourites(FXObject*, FXSelector, void*) {
    tabbook->setCurrent(FavouritesPageIndex(), FALSE);
    favouritesPage->FocusList();
    return 1;
}

// UTF-8 first: catalogue texts are UTF-8, and that is what programs ask for first.
void MainWindow::OfferClipText(const FXString& text) {
    const FXDragType types[] = {utf8Type, stringType, textType};
    if (acquireClipboard(types, ARRAYNUMBER(types))) {
        KeepClipText(text);
    }
}

void MainWindow::KeepClipText(const FXString& text) {
    ForgetClipText();
    clipLength = text.length();
    clipText = new char[clipLength + 1];
    std::memcpy(clipText, text.text(), clipLength);
    clipText[clipLength] = '\0';
}

void MainWindow::ForgetClipText() {
    delete[] clipText;
    clipText = nullptr;
    clipLength = 0;
}

long MainWindow::onClipboardLost(FXObject* sender, FXSelector sel, void* ptr) {
    FXMainWindow::onClipboardLost(sender, sel, ptr);
    ForgetClipText();
    return 1;
}

long MainWindow::onClipboardGained(FXObject* sender, FXSelector sel, void* ptr) {
    FXMainWindow::onClipboardGained(sender, sel, ptr);
    return 1;
}

long MainWindow::onClipboardRequest(FXObject* sender, FXSelector sel, void* ptr) {
    if (FXMainWindow::onClipboardRequest(sender, sel, ptr)) {
        return 1;
    }
    const FXDragType type = static_cast<FXEvent*>(ptr)->target;
    if ((type != utf8Type && type != stringType && type != textType) || clipText == nullptr) {
        return 0;
    }
    // X11 selections carry their length, so no type gets a NUL: some
    // programs paste it as a stray character. UTF8_STRING and text/plain
    // carry the catalogue's UTF-8, STRING Latin-1.
    const std::string text =
        type == stringType ? ToLatin1(std::string(clipText, clipLength)) : std::string(clipText, clipLength);
    FXuchar* bytes = nullptr;
    if (!FXMALLOC(&bytes, FXuchar, text.size() + 1)) {
        return 0;
    }
    std::memcpy(bytes, text.data(), text.size());
    setDNDData(FROM_CLIPBOARD, type, bytes, static_cast<FXuint>(text.size()));
    return 1;
}

// The Bearbeiten menu and the context menu offer what the current entry
// has: the popup's entries are asked too, and agree with EnableCopyEntriesFor.
// "Zur Diagnoseliste" goes with the title: codes only.
long MainWindow::onUpdCopy(FXObject* sender, FXSelector sel, void*) {
    bool found = false;
    const ItemData* data = CurrentItemData(found);
    const bool enable = FXSELID(sel) == ID_COPY_CODE ? HasCodeToCopy(data) : HasTitleToCopy(data);
    sender->handle(this, FXSEL(SEL_COMMAND, enable ? ID_ENABLE : ID_DISABLE), nullptr);
    return 1;
}

void MainWindow::RefuseCopy() {
    if (hasClipboard()) releaseClipboard();
    ForgetClipText();
    getApp()->beep();
}

// The tab's key, pressed while its page is open, still brings the keys back.
long MainWindow::onCmdShowBrowser(FXObject*, FXSelector, void*) {
    tabbook->setCurrent(kBrowserPage, TRUE);
    FocusTree();
    return 1;
}

long MainWindow::onCmdShowSearch(FXObject*, FXSelector, void*) {
    tabbook->setCurrent(kSearchPage, TRUE);
    FocusSearchField();
    return 1;
}

void MainWindow::FocusTree() {
    if (tree->getCurrentItem() == nullptr && tree->getFirstItem() != nullptr) {
        tree->setCurrentItem(tree->getFirstItem(), TRUE);
    }
    if (tree->getCurrentItem() != nullptr) tree->makeItemVisible(tree->getCurrentItem());
    tree->setFocus();
}

// Selected, so that typing replaces the last search's text.
void MainWindow::FocusSearchField() {
    searchField->setFocus();
    searchField->selectAll();
}

// A title the column cuts short is shown whole beside the pointer; the
// toolkit passes the question on with the tool tip as sender.
long MainWindow::onQueryResultTip(FXObject* sender, FXSelector, void*) {
    const FXint kTextMargins = 8;
    FXint x = 0, y = 0;
    FXuint buttons = 0;
    resultList->getCursorPosition(x, y, buttons);
    const FXint index = resultList->getItemAt(x, y);
    if (index < 0) return 0;
    FXString title = resultList->getItemText(index).after('\t');
    if (resultList->getFont()->getTextWidth(title) + kTextMargins <= resultList->getHeaderSize(1)) return 0;
    sender->handle(this, FXSEL(SEL_COMMAND, FXWindow::ID_SETSTRINGVALUE), &title);
    return 1;
}

std::string MainWindow::OpenFailure(CatalogueFile which) const {
    return OpenFailureText(which, catalogue->MissingPaths(which), catalogue->FailedPath(which));
}

void MainWindow::ShowOpenFailure(CatalogueFile which) { ShowDatafileBox(ToFXString(OpenFailure(which))); }

FXString MainWindow::EmptyResultLine() const {
    const bool readable = catalogue && catalogue->IsOpen(CatalogueFile::Codes);
    return FXString("\t") + (readable ? kNoHitsLine : kCatalogueUnreadableLine);
}

}  // namespace kodexa
