// kodexa-find: looks codes up in a Kodexa catalogue from the command line,
// with the same search and the same tree as the window.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/code_form.h"
#include "catalogue/settings_file.h"
#include "store/store_error.h"
#include "tools/arguments.h"
#include "tools/find_open.h"
#include "tools/find_transition.h"
#include "tools/find_check.h"
#include "tools/find_favourites.h"

namespace {

using namespace kodexa;


constexpr char kTool[] = "kodexa-find";

const char kUsage[] =
    "Usage: kodexa-find [--dir DIR] [--titles-only] [--exact] TEXT\n"
    "       kodexa-find [--dir DIR] --code CODE\n"
    "       kodexa-find [--dir DIR] --tree\n"
    "       kodexa-find [--dir DIR] --info\n"
    "       kodexa-find [--dir DIR] --transition CODE | --recode | --changes\n"
    "       kodexa-find [--dir DIR] --check [--sex M|W|X|D|U] [--age N|Nj|Nt] [LINE...]\n"
    "       kodexa-find [--dir DIR] --favourites\n"
    "\n"
    "Looks codes up in the Kodexa catalogue (data1 to data3 .dat and .ndx).\n"
    "\n"
    "  TEXT         list the codes TEXT finds, one CODE<TAB>TITLE line each, in\n"
    "               four groups, each in code order, no code twice:\n"
    "               1. the title or code contains TEXT, letters A to Z and\n"
    "                  \xc3\x84 \xc3\x96 \xc3\x9c in any case; an empty TEXT lists every code\n"
    "               2. the title contains every word of TEXT, in any order, or\n"
    "                  the code begins with it (\"a phrase\" in double quotes\n"
    "                  is one word)\n"
    "               3. similar spellings: each word of five letters or more may\n"
    "                  be another form of a word of the title (kopfschmerzen:\n"
    "                  Kopfschmerz), write umlauts as ae oe ue ss or a o u, or\n"
    "                  have one typing slip (two from nine letters on)\n"
    "               4. a word written as a code, with or without dot, in any\n"
    "                  case (e1190 is E11.90), E11.2- for the codes under\n"
    "                  E11.2; letters G V Z A R L B after a code are left out\n"
    "               Blanks, tabs and line ends count as one blank; a TEXT that\n"
    "               is not UTF-8 is read as Latin-1. When the catalogue has the\n"
    "               alphabetical index (data4), the terms it finds the same\n"
    "               way follow, as CODES<TAB>TITLE<TAB>TERM: the codes as the\n"
    "               index writes them (D86.8+ G99.8*), the title of the first;\n"
    "               a cross-reference has none\n"
    "  --titles-only\n"
    "               search the titles and codes only, not the index terms\n"
    "  --exact      group 1 only, with TEXT taken exactly as given\n"
    "  --code CODE  show the fields of the code CODE (e11.90, E1190, H36.0*\n"
    "               and B95.6! are read as the codes they name), one\n"
    "               'name: value' a line, then, when the catalogue has them\n"
    "               (data5), its facts as the codes file has them and the\n"
    "               year of the edition\n"
    "  --tree       show the catalogue as the window's tree, two blanks of\n"
    "               indent per level\n"
    "  --info       show the edition and the numbers of chapters, groups and\n"
    "               codes, and the years of the transition table when there is one\n"
    "  --transition CODE\n"
    "               what became of CODE of the previous edition, by the catalogue's\n"
    "               transition table (data6): each new code with \"automatisch\" or\n"
    "               \"manuell w\xc3\xa4hlen\", or \"entf\xc3\xa4llt\"; for a code of this edition\n"
    "               where it came from (\"neu in 2024\", \"aus I21.4 geteilt\")\n"
    "  --recode     read diagnoses of the previous edition from standard input, one\n"
    "               a line (CODE CERTAINTY [SIDE], or a bare code), and write each\n"
    "               recoded when the step is automatic, certainty and side kept;\n"
    "               otherwise the line, a tab and \"w\xc3\xa4hlen: I21.40 | I21.41 | I21.48\"\n"
    "               or \"entf\xc3\xa4llt\": the choice is left to you\n"
    "  --changes    the codes new, dropped, split, merged and recoded in this\n"
    "               edition, one line each, grouped\n"
    "  --check      check diagnosis lines CODE CERTAINTY [SIDE] (E11.90 G,\n"
    "               S52.51 G L) as practice software must: the LINEs given, or\n"
    "               one per line from standard input; together they are one\n"
    "               case. Each line is printed normalised, its findings below\n"
    "               it, indented, each beginning 'Fehler: ' or 'Hinweis: '.\n"
    "               Needs the code facts (data5)\n"
    "  --sex S      the patient's sex for --check: M, W, X, D or U\n"
    "  --age A      the patient's age for --check: years (45 or 45j) or days\n"
    "               (20t)\n"
    "  --favourites show the favourites the window keeps for you (in\n"
    "               $HOME/.foxrc/Taviron/Kodexa), one CODE<TAB>TITLE line each\n"
    "               in code order; a code the catalogue does not have is\n"
    "               shown with 'nicht in' and the edition instead of a title,\n"
    "               and its successors when the transition table has it\n"
    "  --dir DIR    read the catalogue in DIR instead of the program's own\n"
    "               directory\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "  --           take what follows as TEXT, even when it begins with '-'\n"
    "\n"
    "The catalogue is opened read-only and never changed.\n"
    "Exit status: 0 something found, 1 nothing found or no catalogue, 2 wrong\n"
    "usage, 3 the catalogue is damaged (a file of it does not open, cannot be\n"
    "read to its end, is shorter than it says, or leads to another code than\n"
    "the one asked): what could be read was printed, the file is named on\n"
    "standard error; 4 (--recode) a line needs your decision, (--check) a line\n"
    "has a Fehler; 5 standard output could not be written. --transition\n"
    "answers 1 for a code of neither edition. --check answers 0 when no line\n"
    "has a Fehler (Hinweise allowed), 1 also when the catalogue has no code\n"
    "facts.\n";

enum class Mode { None, Search, Code, Tree, Info, Help, Version, Transition, Recode, Changes, Check, Favourites };

struct Request {
    Mode mode = Mode::None;
    std::string argument;  // TEXT or CODE
    std::string dir;
    bool dirGiven = false;
    bool titlesOnly = false;
    bool exact = false;
    CheckOptions check;  // the lines, sex and age of --check
    bool patientGiven = false;
};

enum OptionId { kHelp = kHelpOption, kVersion = 256, kTitlesOnly, kCode, kTree, kInfo, kDir, kExact, kTransition, kRecode, kChanges,
               kCheck, kSex, kAge, kFavourites };
const option kOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {"titles-only", no_argument, nullptr, kTitlesOnly},
    {"code", required_argument, nullptr, kCode},
    {"tree", no_argument, nullptr, kTree},
    {"info", no_argument, nullptr, kInfo},
    {"dir", required_argument, nullptr, kDir},
    {"exact", no_argument, nullptr, kExact},
    {"transition", required_argument, nullptr, kTransition},
    {"recode", no_argument, nullptr, kRecode},
    {"changes", no_argument, nullptr, kChanges},
    {"check", no_argument, nullptr, kCheck},
    {"sex", required_argument, nullptr, kSex},
    {"age", required_argument, nullptr, kAge},
    {"favourites", no_argument, nullptr, kFavourites},
    {nullptr, 0, nullptr, 0},
};

int UsageError(const std::string& text) { return kodexa::UsageError(kTool, text); }

const char kModes[] =
    "give one TEXT, --code CODE, --tree, --info, --transition CODE, --recode, --changes, --check or --favourites";

// Answers kExitFound when the arguments make one request, else the usage
// error already reported.
int ParseArguments(int argc, char** argv, Request& request) {
    auto setMode = [&request](Mode mode, const std::string& argument) {
        if (request.mode != Mode::None) return false;
        request.mode = mode;
        request.argument = argument;
        return true;
    };
    ArgumentReader arguments(argc, argv, kOptions);
    for (Argument argument; arguments.Next(argument);) {
        bool ok = true;
        switch (argument.option) {
            case kOperand:
                request.check.lines.push_back(argument.value);
                break;
            case kCheck:
                ok = setMode(Mode::Check, "");
                break;
            case kSex:
            case kAge:
                (argument.option == kSex ? request.check.sex : request.check.age) = argument.value;
                request.patientGiven = true;
                break;
            case kHelp:
                request.mode = Mode::Help;
                return kExitFound;
            case kVersion:
                request.mode = Mode::Version;
                return kExitFound;
            case kTitlesOnly:
                request.titlesOnly = true;
                break;
            case kExact:
                request.exact = true;
                break;
            case kTree:
                ok = setMode(Mode::Tree, "");
                break;
            case kInfo:
                ok = setMode(Mode::Info, "");
                break;
            case kFavourites:
                ok = setMode(Mode::Favourites, "");
                break;
            case kCode:
                ok = setMode(Mode::Code, argument.value);
                break;
            case kTransition:
                ok = setMode(Mode::Transition, argument.value);
                break;
            case kRecode:
                ok = setMode(Mode::Recode, "");
                break;
            case kChanges:
                ok = setMode(Mode::Changes, "");
                break;
            case kDir:
                if (request.dirGiven) return UsageError("--dir given twice");
                request.dir = argument.value;
                request.dirGiven = true;
                break;
            case kMissingValue:
                return UsageError(argument.text + " needs a value");
            default:
                return UsageError("unknown option " + argument.text);
        }
        if (!ok) return UsageError(kModes);
    }
    // Operands are the lines of --check, else the one TEXT.
    const size_t operands = request.check.lines.size();
    if (request.mode == Mode::None && operands == 1) setMode(Mode::Search, request.check.lines.front());
    else if (request.mode != Mode::Check && operands > 0) return UsageError(kModes);
    if (request.mode == Mode::None) return UsageError(kModes);
    if (request.patientGiven && request.mode != Mode::Check) return UsageError("--sex and --age go with --check");
    return kExitFound;
}

int Damaged(const std::string& path, const std::string& reason = std::string()) {
    std::fprintf(stderr, "kodexa-find: %s could not be read to its end%s%s: the catalogue is damaged, import it again\n",
                 path.c_str(), reason.empty() ? "" : " (", reason.empty() ? "" : (reason + ")").c_str());
    return kExitDamaged;
}

// Called after what could be read is printed: a cut-short answer must not
// pass for the whole one, nor a file that lost its tail for whole because
// this request did not reach it.
bool Damaged(Catalogue& catalogue, int& status) {
    if (catalogue.Unreadable().empty() && catalogue.FilesWhole()) return false;
    status = Damaged(catalogue.Unreadable(), catalogue.UnreadableReason());
    return true;
}

// The facts database is optional: a catalogue without it is read as it
// always was; one that is there but cannot be read is named (the file that
// failed), the rest is shown without it, and status says the catalogue is
// damaged.
void OpenFacts(Catalogue& catalogue, int& status) {
    if (catalogue.Open(CatalogueFile::Facts, CatalogueAccess::Reading) == kNoError) return;
    if (catalogue.IsAbsent(CatalogueFile::Facts)) return;
    status = TellUnreadable(catalogue, CatalogueFile::Facts);
}

// Term lines carry the title of their code as well, looked up once per code.
class PrintingResults : public SearchSink {
public:
    explicit PrintingResults(Catalogue& catalogue) : catalogue(catalogue) {}

    void AddResult(const std::string& code, const std::string& title) override {
        std::printf("%s\t%s\n", code.c_str(), title.c_str());
    }
    void AddTerm(const TermHit& hit) override {
        std::printf("%s\t%s\t%s\n", hit.codes.c_str(), TitleOf(hit.titleCode).c_str(), hit.term.c_str());
    }

private:
    const std::string& TitleOf(const std::string& code) {
        auto known = titles.find(code);
        if (known != titles.end()) return known->second;
        CodeFacts facts;
        std::string& title = titles[code];
        if (!code.empty() && catalogue.LookUp(code, facts) && facts.code == code) title = facts.title;
        return title;
    }

    Catalogue& catalogue;
    std::map<std::string, std::string> titles;
};

// A damaged alphabetical index is told and left aside; the titles are still
// searched.
void OpenAlphaIndex(Catalogue& catalogue) {
    if (catalogue.OpenIfPresent(CatalogueFile::AlphaIndex) != OptionalState::Damaged) return;
    std::fprintf(stderr, "kodexa-find: cannot read the alphabetical index %s: %s; searching the titles only\n",
                 catalogue.DataPath(CatalogueFile::AlphaIndex).c_str(),
                 catalogue.Failure(CatalogueFile::AlphaIndex).c_str());
}

int Search(Catalogue& catalogue, const std::string& dir, const Request& request) {
    int status = kExitNothing;
    if (!OpenForReading(catalogue, dir, CatalogueFile::Codes, status)) return status;
    if (!request.titlesOnly) OpenAlphaIndex(catalogue);
    // For a code the catalogue no longer has: its successors.
    catalogue.OpenIfPresent(CatalogueFile::Transitions);
    PrintingResults results(catalogue);
    const bool found =
        catalogue.Search(request.argument, results, request.exact ? SearchScope::Exact : SearchScope::AllSteps);
    std::fflush(stdout);
    if (Damaged(catalogue, status)) return status;
    return found ? kExitFound : kExitNothing;
}

// A mark that is not a visible character is shown by its number.
std::string MarkText(char mark) {
    unsigned char byte = static_cast<unsigned char>(mark);
    if (std::isgraph(byte)) return std::string(1, mark);
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", byte);
    return text;
}

void PrintRules(Catalogue& catalogue, const CodeFacts& record) {
    if (record.hasRules) {
        const CodeRules& r = record.rules;
        const std::pair<const char*, std::string> facts[] = {
            {"terminal", MarkText(r.terminal)},     {"para295", MarkText(r.para295)},
            {"para301", MarkText(r.para301)},       {"sex", MarkText(r.sex)},
            {"sexReject", MarkText(r.sexReject)},   {"ageLow", r.ageLow},
            {"ageHigh", r.ageHigh},                 {"ageReject", MarkText(r.ageReject)},
            {"rare", MarkText(r.rare)},             {"content", MarkText(r.content)},
            {"ifsgReport", MarkText(r.ifsgReport)}, {"ifsgLab", MarkText(r.ifsgLab)},
        };
        for (const auto& fact : facts) std::printf("%s: %s\n", fact.first, fact.second.c_str());
    }
    Edition edition;
    if (catalogue.ReadEdition(edition)) std::printf("edition: %s\n", edition.year.c_str());
}

int ShowCode(Catalogue& catalogue, const std::string& dir, const std::string& written) {
    CodeForm form;
    const std::string wanted = ReadCodeForm(written, form) ? form.code : written;
    int status = kExitNothing;
    if (!OpenForReading(catalogue, dir, CatalogueFile::Codes, status)) return status;
    int factsStatus = kExitFound;
    OpenFacts(catalogue, factsStatus);
    CodeFacts record;
    // The index knows seven characters only; a longer request must not
    // answer with the code it happens to begin with.
    const bool found = catalogue.LookUp(wanted, record);
    if (!catalogue.Unreadable().empty()) return Damaged(catalogue.Unreadable(), catalogue.UnreadableReason());
    if (!found || record.code != wanted) {
        if (Damaged(catalogue, status)) return status;
        std::fprintf(stderr, "kodexa-find: no code %s\n", wanted.c_str());
        return kExitNothing;
    }
    const std::pair<const char*, std::string> fields[] = {
        {"code", record.code},
        {"title", record.title},
        {"level", record.level},
        {"chapterCode", record.chapterCode},
        {"groupCode", record.groupCode},
        {"branchMark", MarkText(record.branchMark)},
        {"spareMark", MarkText(record.spareMark)},
    };
    for (const auto& field : fields) std::printf("%s: %s\n", field.first, field.second.c_str());
    PrintRules(catalogue, record);
    std::fflush(stdout);
    return Damaged(catalogue, status) ? status : factsStatus;
}

// The walk may add a child to an item it made long before (a level-4 code
// after a new group), so the tree is printed only once it is complete.
class OutlineTree : public TreeSink {
public:
    Item AddItem(Item parent, const std::string& label, IconRole, ItemKind, const std::string&) override {
        nodes.push_back(std::make_unique<Node>(Node{label, {}}));
        Node* node = nodes.back().get();
        (parent == kTopLevel ? top : static_cast<Node*>(parent)->children).push_back(node);
        return node;
    }
    void Print() const { PrintLevel(top, 0); }

private:
    struct Node {
        std::string label;
        std::vector<Node*> children;
    };
    static void PrintLevel(const std::vector<Node*>& level, int depth) {
        for (const Node* node : level) {
            std::printf("%*s%s\n", 2 * depth, "", node->label.c_str());
            PrintLevel(node->children, depth + 1);
        }
    }

    std::vector<std::unique_ptr<Node>> nodes;
    std::vector<Node*> top;
};

int ShowTree(Catalogue& catalogue, const std::string& dir) {
    int status = kExitNothing;
    for (CatalogueFile which : {CatalogueFile::Chapters, CatalogueFile::Groups, CatalogueFile::Codes})
        if (!OpenForReading(catalogue, dir, which, status)) return status;
    OutlineTree tree;
    bool complete = catalogue.FillTree(tree);
    tree.Print();
    std::fflush(stdout);
    if (Damaged(catalogue, status)) return status;
    return complete ? kExitFound : Damaged(catalogue.IndexPath(CatalogueFile::Codes));
}

int ShowInfo(Catalogue& catalogue, const std::string& dir) {
    int status = kExitNothing;
    for (CatalogueFile which : kAllCatalogueFiles)
        if (!OpenForReading(catalogue, dir, which, status)) return status;
    int factsStatus = kExitFound;
    OpenFacts(catalogue, factsStatus);
    Edition edition;
    const bool known = catalogue.ReadEdition(edition) && !EditionName(edition).empty();
    std::printf("edition: %s\n", known ? EditionName(edition).c_str() : "unknown");
    const std::pair<const char*, CatalogueFile> counted[] = {
        {"chapters", CatalogueFile::Chapters}, {"groups", CatalogueFile::Groups}, {"codes", CatalogueFile::Codes}};
    std::string stopped;  // the index whose walk stopped early
    for (const auto& [name, which] : counted) {
        size_t count = 0;
        if (!catalogue.CountEntries(which, count) && stopped.empty()) stopped = catalogue.IndexPath(which);
        std::printf("%s: %zu\n", name, count);
    }
    PrintTransitionInfo(catalogue);
    std::fflush(stdout);
    if (!stopped.empty()) return Damaged(stopped);
    return Damaged(catalogue, status) ? status : factsStatus;
}

int ShowFavourites(Catalogue& catalogue, const std::string& dir) {
    int status = kExitNothing;
    if (!OpenForReading(catalogue, dir, CatalogueFile::Codes, status)) return status;
    int factsStatus = kExitFound;
    OpenFacts(catalogue, factsStatus);
    catalogue.OpenIfPresent(CatalogueFile::Transitions);  // the successors of codes no longer there
    status = PrintFavourites(catalogue, UserSettingsPath());
    if (Damaged(catalogue, status)) return status;
    return status == kExitFound ? factsStatus : status;
}

}  // namespace

static int RunTool(int argc, char** argv) {
    Request request;
    if (int code = ParseArguments(argc, argv, request); code != kExitFound) return code;
    if (request.mode == Mode::Help) return ShowUsage(kUsage);
    if (request.mode == Mode::Version) return ShowVersion(kTool);

    const std::string dir =
        request.dirGiven ? request.dir : ProgramDirectory(ExecutablePath(argc > 0 ? argv[0] : nullptr));
    Catalogue catalogue(dir);
    switch (request.mode) {
        case Mode::Search:
            return Search(catalogue, dir, request);
        case Mode::Code:
            return ShowCode(catalogue, dir, request.argument);
        case Mode::Info:
            return ShowInfo(catalogue, dir);
        case Mode::Transition:
            return ShowTransition(catalogue, dir, request.argument);
        case Mode::Recode:
            return Recode(catalogue, dir, stdin);
        case Mode::Changes:
            return ShowChanges(catalogue, dir);
        case Mode::Check:
            return RunCheck(dir, request.check);
        case Mode::Favourites:
            return ShowFavourites(catalogue, dir);
        default:
            return ShowTree(catalogue, dir);
    }
}

// Whatever the answer, it counts only once it is written.
int main(int argc, char** argv) { return kodexa::FinishOutput(kTool, RunTool(argc, argv)); }
