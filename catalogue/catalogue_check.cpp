#include "catalogue/catalogue_check.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "catalogue/alpha_terms.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_key.h"
#include "catalogue/code_facts.h"
#include "catalogue/transitions.h"
#include "index/btree_cursor.h"
#include "index/object_database.h"
#include "store/store_error.h"

namespace kodexa {

void CatalogueCheckReport::Problem(const std::string& text) {
    if (problemCount++ < kMaxListed) problems.push_back(text);
}

namespace {

// "A00-A09" as its first and last three-character code.
struct Range {
    std::string first, last;
    bool Holds(const std::string& code) const { return !first.empty() && first <= code && code <= last; }
    bool Holds(const Range& inner) const { return Holds(inner.first) && Holds(inner.last); }
};

Range RangeOf(const std::string& code) {
    const std::string::size_type dash = code.find('-');
    if (dash == std::string::npos) return Range{code, code};
    return Range{code.substr(0, dash), code.substr(dash + 1)};
}

// A key holds the first seven characters of its record's code.
std::string AsKey(const std::string& code) { return code.substr(0, kKeyCodeLength); }

class CatalogueChecker {
public:
    CatalogueChecker(const std::string& dir, CatalogueCheckReport& report) : catalogue(dir), report(report) {}

    void Run() {
        if (!Open()) return;
        CheckTitled<ChapterRecord>(CatalogueFile::Chapters, chapters);
        CheckTitled<GroupRecord>(CatalogueFile::Groups, groups);
        CheckGroupsInChapters();
        CheckCodes();
        if (catalogue.IsOpen(CatalogueFile::Facts)) CheckFacts();
        if (catalogue.IsOpen(CatalogueFile::AlphaIndex)) CheckTerms();
        if (catalogue.IsOpen(CatalogueFile::Transitions)) CheckTransitions();
        report.facts.push_back("chapters: " + std::to_string(chapters.size()));
        report.facts.push_back("groups: " + std::to_string(groups.size()));
        report.facts.push_back("codes: " + std::to_string(codes.size()));
        if (catalogue.IsOpen(CatalogueFile::Transitions))
            report.facts.push_back("codes in the transition table: " + std::to_string(transitionCodes));
    }

private:
    using Visit = std::function<void(const std::string& keyCode, int64_t offset)>;

    bool Open() {
        bool all = true;
        for (CatalogueFile which : kAllCatalogueFiles) {
            if (catalogue.Open(which, CatalogueAccess::Reading) == kNoError) continue;
            report.Problem(catalogue.FailedPath(which) + ": " + catalogue.Failure(which));
            all = false;
        }
        for (CatalogueFile which : kOptionalCatalogueFiles) {
            if (catalogue.OpenIfPresent(which) != OptionalState::Damaged) continue;
            report.Problem(catalogue.FailedPath(which) + ": " + catalogue.Failure(which));
        }
        return all;
    }

    std::string At(CatalogueFile which, int64_t offset) const {
        return catalogue.DataPath(which) + ", offset " + std::to_string(offset) + ": ";
    }

    // Every key of the database's index in key order; a walk that stops
    // early (a key out of order or met twice, a node that cannot be read)
    // is a problem of the index file.
    void WalkKeys(CatalogueFile which, const Visit& visit) {
        BtreeIndex* index = catalogue.Database(which).Index(0);
        if (index == nullptr) return;
        CatalogueKey key, scratch;
        BtreeCursor cursor(*index, key, scratch);
        for (bool more = cursor.First(); more; more = cursor.Next()) visit(key.Code(), key.ObjectAddress().Get());
        if (cursor.Status().Failed())
            report.Problem(cursor.Status().Description() + "; the walk of the index stopped there");
    }

    // Reads the record a key leads to; false, with the problem told, when
    // it cannot be read or holds another code than the key.
    bool ReadRecord(CatalogueRecord& record, CatalogueFile which, const std::string& keyCode, int64_t offset) {
        if (!record.ReadAt(static_cast<int32_t>(offset))) {
            report.Problem(At(which, offset) + "the record of key \"" + keyCode + "\" cannot be read: " +
                           StoreErrorMessage(catalogue.Database(which).LastError()));
            return false;
        }
        const std::string held = TextOrEmpty(record.code);
        if (AsKey(held) == keyCode) return true;
        report.Problem(At(which, offset) + "the record holds the code \"" + held + "\" where its key says \"" +
                       keyCode + "\"");
        return false;
    }

    template <typename Record>
    void CheckTitled(CatalogueFile which, std::map<std::string, Range>& kept) {
        Record record(&catalogue.Database(which));
        WalkKeys(which, [&](const std::string& keyCode, int64_t offset) {
            if (!ReadRecord(record, which, keyCode, offset)) return;
            const std::string code = TextOrEmpty(record.code);
            const Range range = RangeOf(code);
            if (range.first.empty() || range.last < range.first)
                report.Problem(At(which, offset) + "\"" + code + "\" is not a range of codes");
            kept[code] = range;
            record.ReleaseTexts();
        });
    }

    void CheckGroupsInChapters() {
        for (const auto& group : groups) {
            const bool held = std::any_of(chapters.begin(), chapters.end(),
                                          [&](const auto& chapter) { return chapter.second.Holds(group.second); });
            if (!held)
                report.Problem(catalogue.DataPath(CatalogueFile::Groups) + ": group " + group.first +
                               " lies in no chapter of " + catalogue.DataPath(CatalogueFile::Chapters));
        }
    }

    void CheckCodes() {
        const CatalogueFile which = CatalogueFile::Codes;
        CodeRecord record(&catalogue.Database(which));
        WalkKeys(which, [&](const std::string& keyCode, int64_t offset) {
            codes.insert(keyCode);  // its facts are no news when only its record is damaged
            if (!ReadRecord(record, which, keyCode, offset)) return;
            const std::string code = TextOrEmpty(record.code), level = TextOrEmpty(record.level);
            if (level != "3" && level != "4" && level != "5")
                report.Problem(At(which, offset) + code + " has the level \"" + level + "\", not 3, 4 or 5");
            CheckPlace(code, TextOrEmpty(record.groupCode), TextOrEmpty(record.chapterCode), offset);
            record.ReleaseTexts();
        });
    }

    void CheckPlace(const std::string& code, const std::string& group, const std::string& chapter, int64_t offset) {
        const std::string where = At(CatalogueFile::Codes, offset) + code;
        const auto ownGroup = groups.find(group);
        const auto ownChapter = chapters.find(chapter);
        if (ownGroup == groups.end()) {
            report.Problem(where + " names the group \"" + group + "\", which is not in the catalogue");
        } else if (!ownGroup->second.Holds(code.substr(0, 3))) {
            report.Problem(where + " lies outside its group " + group);
        }
        if (ownChapter == chapters.end()) {
            report.Problem(where + " names the chapter \"" + chapter + "\", which is not in the catalogue");
        } else if (ownGroup != groups.end() && !ownChapter->second.Holds(ownGroup->second)) {
            report.Problem(where + ": its group " + group + " lies outside its chapter " + chapter);
        }
    }

    // The edition sits under the empty code, before every code's facts.
    void CheckFacts() {
        const CatalogueFile which = CatalogueFile::Facts;
        FactsRecord facts(&catalogue.Database(which));
        EditionRecord edition(&catalogue.Database(which));
        size_t count = 0;
        WalkKeys(which, [&](const std::string& keyCode, int64_t offset) {
            if (keyCode.empty()) {
                ReadRecord(edition, which, keyCode, offset);
                return;
            }
            if (!ReadRecord(facts, which, keyCode, offset)) return;
            ++count;
            const std::string code = TextOrEmpty(facts.code);
            if (codes.count(code) == 0)
                report.Problem(At(which, offset) + "facts of the code " + code + ", which is not in the catalogue");
            facts.ReleaseTexts();
        });
        if (count > codes.size())
            report.Problem(catalogue.DataPath(which) + ": facts of " + std::to_string(count) + " codes, but only " +
                           std::to_string(codes.size()) + " codes");
    }

    // The importer writes only whole term lines of six fields with a term;
    // a line that does not read so is damage, which the search skips.
    void CheckTerms() {
        const CatalogueFile which = CatalogueFile::AlphaIndex;
        AlphaBlockRecord block(&catalogue.Database(which));
        WalkKeys(which, [&](const std::string& keyCode, int64_t offset) {
            if (!block.ReadAt(static_cast<int32_t>(offset))) {
                report.Problem(At(which, offset) + "the term block \"" + keyCode + "\" cannot be read: " +
                               StoreErrorMessage(catalogue.Database(which).LastError()));
                return;
            }
            const std::string& text = block.terms;
            const size_t lines = std::count(text.begin(), text.end(), '\n') + (text.empty() || text.back() == '\n' ? 0 : 1);
            const size_t read = UnpackTerms(text).size();
            if (read != lines)
                report.Problem(At(which, offset) + std::to_string(lines - read) + " of the " + std::to_string(lines) +
                               " term lines of block \"" + keyCode + "\" do not read (a field missing or empty)");
        });
    }

    // Every link reads, every new code is a code of the catalogue, and each
    // step is told from both ends: X -> Y in X's record and in Y's.
    void CheckTransitions() {
        const CatalogueFile which = CatalogueFile::Transitions;
        TransitionRecord record(&catalogue.Database(which));
        TransitionYearsRecord years(&catalogue.Database(which));
        std::set<std::pair<std::string, std::string>> onward, back;
        size_t count = 0;
        WalkKeys(which, [&](const std::string& keyCode, int64_t offset) {
            if (keyCode.empty()) {
                ReadRecord(years, which, keyCode, offset);
                return;
            }
            if (!ReadRecord(record, which, keyCode, offset)) return;
            ++count;
            const std::string code = TextOrEmpty(record.code);
            const auto links = [&](const RecordText& text, std::set<std::pair<std::string, std::string>>& steps,
                                   bool asOld) {
                const std::string& stored = TextOrEmptyRef(text);
                const std::vector<TransitionLink> read = UnpackLinks(stored);
                if (PackLinks(read) != stored)
                    report.Problem(At(which, offset) + "the links of " + code + " do not read: \"" + stored + "\"");
                for (const TransitionLink& link : read)
                    steps.insert(asOld ? std::make_pair(code, link.code) : std::make_pair(link.code, code));
                return !read.empty();
            };
            const bool isOld = links(record.onward, onward, true), isNew = links(record.back, back, false);
            if (!isOld && !isNew) report.Problem(At(which, offset) + code + " has no transitions");
            if (isNew && codes.count(code) == 0)
                report.Problem(At(which, offset) + "the new code " + code + " is not in the catalogue");
            record.ReleaseTexts();
        });
        for (const auto& step : onward)
            if (!step.second.empty() && back.count(step) == 0)
                report.Problem(catalogue.DataPath(which) + ": " + step.first + " -> " + step.second + " is missing at " +
                               step.second);
        for (const auto& step : back)
            if (!step.first.empty() && onward.count(step) == 0)
                report.Problem(catalogue.DataPath(which) + ": " + step.first + " -> " + step.second + " is missing at " +
                               step.first);
        transitionCodes = count;
    }

    Catalogue catalogue;
    CatalogueCheckReport& report;
    std::map<std::string, Range> chapters, groups;
    std::set<std::string> codes;
    size_t transitionCodes = 0;
};

}  // namespace

CatalogueCheckReport CheckCatalogue(const std::string& dir) {
    CatalogueCheckReport report;
    CatalogueChecker checker(dir, report);
    checker.Run();
    return report;
}

}  // namespace kodexa
