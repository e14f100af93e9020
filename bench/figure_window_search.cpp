// Search in the main window, from the search command (Enter in the search
// field) until the result list is laid out and drawn, against filling the
// same list with the same lines from memory: the widget's own share.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "bench/bench_process.h"
#include "bench/figures.h"
#include "bench/sqlite_db.h"

#ifdef KODEXA_BENCH_WINDOW
#include <fx.h>

#include "ui/main_window.h"
#endif

namespace kodexa::bench {

#ifdef KODEXA_BENCH_WINDOW

namespace {

const char* const kWindowQueries[] = {"cholera", ""};

// The window on the bench's copy of the catalogue, with the search page's
// widgets at hand.
class BenchWindow : public MainWindow {
public:
    BenchWindow(FXApp* app, std::string dir) : MainWindow(app), dir(std::move(dir)) {}
    std::string programDirectory() const override { return dir; }
    void ShowSearchPage() { tabbook->setCurrent(1, TRUE); }
    FXTextField* SearchField() const { return searchField; }
    FXIconList* Results() const { return resultList; }
    FXIcon* CodeIcon() const { return codeIcon; }

private:
    std::string dir;
};

// What the idle loop does after a command: lay out what changed, paint
// what is exposed, and wait until the display has it all.
void Draw(FXApp& app, FXMainWindow* window) {
    window->layout();
    app.repaint();
    app.flush(TRUE);
    app.runWhileEvents();
    app.repaint();
    app.flush(TRUE);
}

// The window's lines about the files it opens would mix with the answer.
void CreateQuietly(FXApp& app) {
    std::fflush(stdout);
    int saved = dup(1), quiet = open("/dev/null", O_WRONLY);
    if (saved >= 0 && quiet >= 0) dup2(quiet, 1);
    app.create();
    std::fflush(stdout);
    if (saved >= 0) dup2(saved, 1), close(saved);
    if (quiet >= 0) close(quiet);
}

struct Sides {
    Sample window, widget;
};

Sides ParseSides(const std::string& output) {
    Sides sides;
    std::istringstream in(output);
    std::string side;
    double seconds = 0;
    while (in >> side >> seconds) (side == "window" ? sides.window : sides.widget).Add(seconds);
    return sides;
}

}  // namespace

int WindowSearchChild(const std::string& dir, int reps, const std::string& text) {
    static int argc = 1;
    static char name[] = "kodexa-bench";
    static char* argv[] = {name, nullptr};
    FXApp app("KodexaBenchWindow", "Taviron");
    app.init(argc, argv);
    BenchWindow* window = new BenchWindow(&app, dir);
    CreateQuietly(app);
    window->ShowSearchPage();
    Draw(app, window);
    FXIconList* list = window->Results();
    window->SearchField()->setText(FXString(text.c_str()));
    for (int i = 0; i <= reps; ++i) {  // the first run warms up
        auto start = std::chrono::steady_clock::now();
        window->handle(window, FXSEL(SEL_COMMAND, MainWindow::ID_SEARCH), nullptr);
        Draw(app, window);
        double searched = SecondsSince(start);
        std::vector<FXString> lines;
        for (FXint k = 0; k < list->getNumItems(); ++k) lines.push_back(list->getItemText(k));
        FXIcon* icon = window->CodeIcon();
        start = std::chrono::steady_clock::now();
        list->clearItems();
        for (const FXString& line : lines) list->appendItem(line, icon, icon, nullptr, FALSE);
        Draw(app, window);
        double filled = SecondsSince(start);
        if (i > 0) std::printf("window %.9f\nwidget %.9f\n", searched, filled);
    }
    std::fflush(stdout);
    window->CloseCatalogue();
    return 0;
}

// The moment the pause after typing ends, as the timer delivers it, until
// the list is drawn.
int TypedSearchChild(const std::string& dir, int reps, const std::string& text) {
    static int argc = 1;
    static char name[] = "kodexa-bench";
    static char* argv[] = {name, nullptr};
    FXApp app("KodexaBenchWindow", "Taviron");
    app.init(argc, argv);
    BenchWindow* window = new BenchWindow(&app, dir);
    CreateQuietly(app);
    window->ShowSearchPage();
    Draw(app, window);
    window->SearchField()->setText(FXString(text.c_str()));
    for (int i = 0; i <= reps; ++i) {  // the first run warms up
        auto start = std::chrono::steady_clock::now();
        window->handle(window, FXSEL(SEL_TIMEOUT, MainWindow::ID_SEARCH_PAUSE), nullptr);
        Draw(app, window);
        if (i > 0) std::printf("window %.9f\n", SecondsSince(start));
    }
    std::printf("lines %d\n", window->Results()->getNumItems());
    std::fflush(stdout);
    window->CloseCatalogue();
    return 0;
}

void FigureTypedSearch(const Options& options, const std::string& dir, Table& table) {
    if (std::getenv("DISPLAY") == nullptr) {
        table.Note("figure 7c: no X display; not measured");
        return;
    }
    const double kBudgetSeconds = 0.050;
    for (const char* query : {"diabetes niere", "kopfschmerzen", "herzinsufizienz", "e1190"}) {
        const std::string output =
            CaptureOutput({"/proc/self/exe", "--typed-search-child", dir, std::to_string(options.reps), query});
        Sample drawn, budget;
        std::istringstream in(output);
        std::string side;
        double value = 0;
        while (in >> side >> value) {
            if (side == "window") drawn.Add(value), budget.Add(kBudgetSeconds);
            if (side == "lines") table.Note("figure 7c: \"" + std::string(query) + "\" lists " +
                                            std::to_string(static_cast<int>(value)) + " lines");
        }
        if (drawn.Empty()) Die("the typed search child failed");
        Row row;
        row.figure = "7c";
        row.what = std::string("\"") + query + "\" typed, titles and index terms, pause end to list drawn";
        row.subject = "Kodexa window, search after the pause";
        row.subjectSample = drawn;
        row.anchor = "the 50 ms allowed after the pause";
        row.anchorSample = budget;
        row.target = Target{1, false};
        table.Add(row);
    }
}

void FigureWindowSearch(const Options& options, const std::string& dir, Table& table) {
    if (std::getenv("DISPLAY") == nullptr) {
        table.Note("figure 1c: no X display; not measured");
        return;
    }
    for (const char* query : kWindowQueries) {
        Sides sides = ParseSides(
            CaptureOutput({"/proc/self/exe", "--window-search-child", dir, std::to_string(options.reps), query}));
        if (sides.window.Empty()) Die("the window search child failed");
        Row row;
        row.figure = "1c";
        row.what = std::string("search \"") + query + "\" in the window, Enter to list drawn";
        row.subject = "Kodexa window, search command";
        row.subjectSample = sides.window;
        row.anchor = "the same lines into the same list from memory";
        row.anchorSample = sides.widget;
        table.Add(row);
    }
}

#else

int WindowSearchChild(const std::string&, int, const std::string&) { return 2; }
void FigureWindowSearch(const Options&, const std::string&, Table& table) {
    table.Note("figure 1c: the window is not built into the benchmark; not measured");
}
int TypedSearchChild(const std::string&, int, const std::string&) { return 2; }
void FigureTypedSearch(const Options&, const std::string&, Table& table) {
    table.Note("figure 7c: the window is not built into the benchmark; not measured");
}

#endif

}  // namespace kodexa::bench
