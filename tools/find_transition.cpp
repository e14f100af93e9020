#include "tools/find_transition.h"

#include <map>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/code_form.h"
#include "catalogue/transitions.h"
#include "store/store_error.h"
#include "tools/find_open.h"

namespace kodexa {

namespace {


constexpr char kAutomaticWords[] = "automatisch";
constexpr char kChoiceWords[] = "manuell w\xc3\xa4hlen";
constexpr char kDroppedWords[] = "entf\xc3\xa4llt";

// The codes and the transitions database, read-only. Answers false with
// the exit status after saying why on standard error.
bool OpenTable(Catalogue& catalogue, const std::string& dir, int& status) {
    if (!OpenForReading(catalogue, dir, CatalogueFile::Codes, status)) return false;
    const CatalogueFile which = CatalogueFile::Transitions;
    const OptionalState state = catalogue.OpenIfPresent(which);
    if (state == OptionalState::Open) return true;
    if (state == OptionalState::Absent) {
        std::fprintf(stderr, "kodexa-find: the catalogue in %s has no transition table (data6); import it with one\n",
                     dir.c_str());
        status = kExitNothing;
    } else {
        std::fprintf(stderr, "kodexa-find: cannot read %s: %s\n", catalogue.DataPath(which).c_str(),
                     catalogue.Failure(which).c_str());
        status = kExitDamaged;
    }
    return false;
}

// Records are read one by one; a file that lost its tail must still not
// pass for whole.
int Finish(Catalogue& catalogue, int status) {
    std::fflush(stdout);
    if (catalogue.FilesWhole()) return status;
    std::fprintf(stderr, "kodexa-find: %s could not be read to its end: the catalogue is damaged, import it again\n",
                 catalogue.Unreadable().c_str());
    return kExitDamaged;
}

std::string TitleOf(Catalogue& catalogue, const std::string& code) {
    CodeFacts facts;
    return catalogue.LookUp(code, facts) && facts.code == code ? facts.title : std::string();
}

std::string Joined(const std::vector<std::string>& codes, const char* separator) {
    std::string text;
    for (const std::string& code : codes) text += (text.empty() ? "" : separator) + code;
    return text;
}

std::vector<std::string> CodesOf(const std::vector<TransitionLink>& links) {
    std::vector<std::string> codes;
    for (const TransitionLink& link : links)
        if (!link.code.empty()) codes.push_back(link.code);
    return codes;
}

bool IsNone(const std::vector<TransitionLink>& links) { return links.size() == 1 && links[0].code.empty(); }

// The onward lines of an old code: one per new code, or that it is dropped.
void PrintOnward(Catalogue& catalogue, const CodeTransitions& transitions) {
    const Succession succession = SuccessionOf(transitions);
    if (succession.kind == SuccessionKind::Dropped) {
        std::printf("%s\t%s\n", transitions.code.c_str(), kDroppedWords);
        return;
    }
    for (const TransitionLink& link : transitions.onward) {
        const bool automatic = succession.kind == SuccessionKind::Automatic;
        std::printf("%s -> %s\t%s\t%s\n", transitions.code.c_str(), link.code.c_str(),
                    automatic ? kAutomaticWords : kChoiceWords, TitleOf(catalogue, link.code).c_str());
    }
}

}  // namespace

int ShowTransition(Catalogue& catalogue, const std::string& dir, const std::string& written) {
    int status = kExitNothing;
    if (!OpenTable(catalogue, dir, status)) return status;
    CodeForm form;
    if (!ReadCodeForm(written, form) || form.under) {
        std::fprintf(stderr, "kodexa-find: %s is not a code\n", written.c_str());
        return kExitNothing;
    }
    TransitionYears years;
    ReadTransitionYears(catalogue, years);
    CodeTransitions transitions;
    const bool known = LookUpTransitions(catalogue, form.code, transitions);
    if (known && !transitions.onward.empty()) PrintOnward(catalogue, transitions);
    const std::string origin = known ? OriginOf(catalogue, form.code) : std::string();
    if (!origin.empty()) std::printf("%s\t%s\n", form.code.c_str(), origin.c_str());
    if (known) return Finish(catalogue, kExitFound);
    CodeFacts facts;
    if (catalogue.LookUp(form.code, facts) && facts.code == form.code) {
        std::printf("%s\tnicht in der Umsteigertabelle (sie f\xc3\xbchrt nur endst\xc3\xa4ndige Kodes)\n",
                    form.code.c_str());
        return Finish(catalogue, kExitFound);
    }
    std::fprintf(stderr, "kodexa-find: %s is a code of neither %s nor %s\n", form.code.c_str(),
                 years.from.empty() ? "the previous edition" : years.from.c_str(),
                 years.to.empty() ? "this edition" : years.to.c_str());
    return Finish(catalogue, kExitNothing);
}

namespace {

// One input line recoded, or marked for a person to decide; answers
// whether it was recoded without a choice.
bool RecodeLine(Catalogue& catalogue, const std::string& text) {
    DiagnosisLine line;
    const LineProblem problem = ReadDiagnosisLine(text, line);
    if (problem == LineProblem::Empty) {
        std::printf("\n");
        return true;
    }
    // A bare code is a line too: there is then no certainty to keep.
    const bool bare = problem == LineProblem::NoCertainty;
    if ((problem != LineProblem::None && !bare) || line.form.under) {
        std::printf("%s\tnicht lesbar: pr\xc3\xbc" "fen\n", text.c_str());
        return false;
    }
    const std::string shown = bare ? line.form.code : NormalisedLine(line);
    const Succession succession = catalogue.SuccessorOf(line.form.code);
    switch (succession.kind) {
        case SuccessionKind::Automatic: {
            DiagnosisLine recoded = line;
            recoded.form.code = succession.codes.front();
            std::printf("%s\n", bare ? recoded.form.code.c_str() : NormalisedLine(recoded).c_str());
            return true;
        }
        case SuccessionKind::Choice:
            std::printf("%s\tw\xc3\xa4hlen: %s\n", shown.c_str(), Joined(succession.codes, " | ").c_str());
            return false;
        case SuccessionKind::Dropped:
            std::printf("%s\t%s\n", shown.c_str(), kDroppedWords);
            return false;
        default:
            std::printf("%s\tnicht in der Umsteigertabelle: pr\xc3\xbc" "fen\n", shown.c_str());
            return false;
    }
}

bool ReadLine(std::FILE* in, std::string& line) {
    line.clear();
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') line += static_cast<char>(c);
    return c != EOF || !line.empty();
}

}  // namespace

int Recode(Catalogue& catalogue, const std::string& dir, std::FILE* in) {
    int status = kExitNothing;
    if (!OpenTable(catalogue, dir, status)) return status;
    bool allAutomatic = true;
    for (std::string line; ReadLine(in, line);) allAutomatic = RecodeLine(catalogue, line) && allAutomatic;
    return Finish(catalogue, allAutomatic ? kExitFound : kExitDecisionNeeded);
}

int ShowChanges(Catalogue& catalogue, const std::string& dir) {
    int status = kExitNothing;
    if (!OpenTable(catalogue, dir, status)) return status;
    TransitionYears years;
    ReadTransitionYears(catalogue, years);
    std::vector<CodeTransitions> all;
    WalkStatus walked;
    const bool whole = ReadAllTransitions(catalogue, all, &walked);
    std::map<std::string, const CodeTransitions*> byCode;
    for (const CodeTransitions& code : all) byCode[code.code] = &code;
    const std::string fresh = years.to.empty() ? "neu" : "neu in " + years.to;
    std::vector<std::string> groups[5];  // new, dropped, split, merged, recoded
    for (const CodeTransitions& code : all) {
        if (IsNone(code.back)) groups[0].push_back(fresh + ": " + code.code);
        if (IsNone(code.onward)) groups[1].push_back("entfallen: " + code.code);
        if (code.onward.size() > 1)
            groups[2].push_back("geteilt: " + code.code + " -> " + Joined(CodesOf(code.onward), ", "));
        if (code.back.size() > 1)
            groups[3].push_back("zusammengefasst: " + Joined(CodesOf(code.back), ", ") + " -> " + code.code);
        // One old code to one other new code, which has no other source.
        if (code.onward.size() == 1 && !code.onward[0].code.empty() && code.onward[0].code != code.code) {
            const auto target = byCode.find(code.onward[0].code);
            if (target != byCode.end() && target->second->back.size() == 1)
                groups[4].push_back("umgeschl\xc3\xbcsselt: " + code.code + " -> " + code.onward[0].code);
        }
    }
    for (const auto& group : groups)
        for (const std::string& line : group) std::printf("%s\n", line.c_str());
    if (!whole) {
        std::fflush(stdout);
        std::fprintf(stderr, "kodexa-find: %s could not be read to its end (%s): the catalogue is damaged, import it again\n",
                     walked.file.c_str(), walked.reason.c_str());
        return kExitDamaged;
    }
    return Finish(catalogue, kExitFound);
}

void PrintTransitionInfo(Catalogue& catalogue) {
    if (catalogue.OpenIfPresent(CatalogueFile::Transitions) != OptionalState::Open) return;
    TransitionYears years;
    if (!ReadTransitionYears(catalogue, years)) return;
    const std::string joined = years.from.empty() ? "the previous edition" : years.from + " -> " + years.to;
    std::printf("transitions: %s (%s)\n", joined.c_str(), years.source.c_str());
}

}  // namespace kodexa
