#include "import/import_model.h"

#include <algorithm>
#include <map>

namespace kodexa {

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

class ModelBuilder {
public:
    ModelBuilder(const SourceText& chapterText, const SourceText& groupText, const SourceText& codeText,
                 ImportError& error)
        : chapterText(chapterText), groupText(groupText), codeText(codeText), error(error) {}

    bool Build(CatalogueModel& model) {
        if (!ReadChapters() || !ReadGroups() || !ReadCodes() || !CheckChaptersHaveCodes() || !NameChapters())
            return false;
        model = CatalogueModel{};
        KeepUsed(model);
        auto byCode = [](const auto& a, const auto& b) { return a.code < b.code; };
        std::sort(model.chapters.begin(), model.chapters.end(), byCode);
        std::sort(model.groups.begin(), model.groups.end(), byCode);
        std::sort(model.codes.begin(), model.codes.end(), byCode);
        return CheckGroupOrder(model) && CheckCodeOrder(model);
    }

private:
    bool Fail(const SourceText& file, int line, const std::string& message) {
        error = ImportError{file.path, line, message};
        return false;
    }

    bool CheckFieldCount(const SourceText& file, const SourceLine& line, size_t expected, bool atLeast,
                         const char* layout) {
        size_t count = line.fields.size();
        if (atLeast ? count >= expected : count == expected) return true;
        std::string message = std::to_string(count) + (count == 1 ? " field" : " fields") + ", expected " +
                              (atLeast ? "at least " : "") + std::to_string(expected) + " (" + layout + ")";
        return Fail(file, line.number, message);
    }

    bool CheckCodeText(const SourceText& file, int line, const char* what, const std::string& code) {
        if (code.empty()) return Fail(file, line, std::string("empty ") + what);
        if (code.size() > kMaxKeyCodeLength) {
            return Fail(file, line, std::string(what) + " " + Quoted(code) + " is longer than 7 characters");
        }
        return true;
    }

    bool ReadChapters() {
        for (const SourceLine& line : chapterText.lines) {
            if (!CheckFieldCount(chapterText, line, 2, false, "number;title")) return false;
            const std::string& number = line.fields[0];
            if (number.empty()) return Fail(chapterText, line.number, "empty chapter number");
            auto known = chapterByNumber.find(number);
            if (known != chapterByNumber.end()) {
                return Fail(chapterText, line.number,
                            "duplicate chapter " + number + " (first on line " +
                                std::to_string(chapters[known->second].line) + ")");
            }
            chapterByNumber[number] = chapters.size();
            chapters.push_back(ChapterEntry{number, "", line.fields[1], line.number});
        }
        if (chapters.empty()) return Fail(chapterText, 0, "no chapters in the file");
        return true;
    }

    bool ReadGroups() {
        for (const SourceLine& line : groupText.lines) {
            if (!CheckFieldCount(groupText, line, 4, false,
                                 line.number == groupText.lines.front().number
                                     ? "start;end;chapter;title; group files from before 2007 are laid out "
                                       "otherwise and cannot be imported"
                                     : "start;end;chapter;title")) {
                return false;
            }
            GroupEntry group{line.fields[0], line.fields[1], line.fields[2], "", line.fields[3], line.number};
            group.code = group.start + "-" + group.end;
            if (group.start.empty()) return Fail(groupText, line.number, "empty group start");
            if (group.end.empty()) return Fail(groupText, line.number, "empty group end");
            if (!CheckCodeText(groupText, line.number, "group code", group.code)) return false;
            if (chapterByNumber.count(group.chapterNumber) == 0) {
                return Fail(groupText, line.number,
                            "unknown chapter " + Quoted(group.chapterNumber) + " (not in " + chapterText.path + ")");
            }
            auto known = groupByStart.find(group.start);
            if (known != groupByStart.end()) {
                return Fail(groupText, line.number,
                            "duplicate group start " + group.start + " (first on line " +
                                std::to_string(groups[known->second].line) + ")");
            }
            groupByStart[group.start] = groups.size();
            groups.push_back(group);
        }
        if (groups.empty()) return Fail(groupText, 0, "no groups in the file");
        return true;
    }

    bool ReadMark(const SourceLine& line, size_t field, const char* what, char& mark) {
        const std::string& text = line.fields[field];
        if (text.size() != 1) {
            return Fail(
                codeText, line.number,
                "field " + std::to_string(field + 1) + " (" + what + ") must be one character, found " + Quoted(text));
        }
        mark = text[0];
        return true;
    }

    // The field count most lines of the codes file have (the larger one on a
    // tie). A year keeps one layout; a line with fewer fields than that lost
    // its end.
    static size_t UsualFieldCount(const SourceText& file) {
        std::map<size_t, size_t> linesWith;
        for (const SourceLine& line : file.lines) ++linesWith[line.fields.size()];
        size_t usual = 0, most = 0;
        for (const auto& [count, lines] : linesWith)
            if (lines >= most) usual = count, most = lines;
        return usual;
    }

    bool CheckCodeLevel(const SourceLine& line) {
        const std::string& level = line.fields[0];
        if (level == "3" || level == "4" || level == "5") return true;
        return Fail(codeText, line.number, "field 1 (level) must be 3, 4 or 5, found " + Quoted(level));
    }

    bool ReadCodes() {
        codesPerGroup.assign(groups.size(), 0);
        std::map<std::string, int> lineOfCode;
        const size_t usualFields = UsualFieldCount(codeText);
        for (const SourceLine& line : codeText.lines) {
            if (!CheckFieldCount(codeText, line, 9, true, "level;mark;mark;chapter;group;...;code;...;title")) {
                return false;
            }
            if (line.fields.size() < usualFields) {
                return Fail(codeText, line.number,
                            std::to_string(line.fields.size()) + " fields where the file's other lines have " +
                                std::to_string(usualFields) + ": the line is cut short");
            }
            const std::vector<std::string>& f = line.fields;
            CodeEntry code;
            code.line = line.number;
            code.level = f[0];
            code.code = f[6];
            code.title = f[8];
            if (!CheckCodeLevel(line) || !ReadMark(line, 1, "branch mark", code.branchMark) ||
                !ReadMark(line, 2, "spare mark", code.spareMark) ||
                !CheckCodeText(codeText, line.number, "code", code.code)) {
                return false;
            }
            auto seen = lineOfCode.emplace(code.code, line.number);
            if (!seen.second) {
                return Fail(
                    codeText, line.number,
                    "duplicate code " + code.code + " (first on line " + std::to_string(seen.first->second) + ")");
            }
            if (chapterByNumber.count(f[3]) == 0) {
                return Fail(codeText, line.number,
                            "unknown chapter " + Quoted(f[3]) + " (not in " + chapterText.path + ")");
            }
            auto group = groupByStart.find(f[4]);
            if (group == groupByStart.end()) {
                return Fail(codeText, line.number,
                            "unknown group " + Quoted(f[4]) + " (no group in " + groupText.path + " starts with it)");
            }
            const GroupEntry& owner = groups[group->second];
            if (owner.chapterNumber != f[3]) {
                return Fail(codeText, line.number,
                            "chapter " + f[3] + " differs from chapter " + owner.chapterNumber + " of its group " +
                                owner.code + " (" + groupText.path + ", line " + std::to_string(owner.line) + ")");
            }
            code.groupCode = owner.code;
            ++codesPerGroup[group->second];
            codes.push_back(code);
            codeGroup.push_back(group->second);
        }
        if (codes.empty()) return Fail(codeText, 0, "no codes in the file");
        return true;
    }

    // Every year's codes file has codes in every chapter; a chapter without
    // any is what a codes file cut short at a line end leaves. A group
    // without codes is no such sign: some years list one.
    bool CheckChaptersHaveCodes() {
        std::vector<size_t> codesPerChapter(chapters.size(), 0);
        for (size_t g = 0; g < groups.size(); ++g)
            codesPerChapter[chapterByNumber[groups[g].chapterNumber]] += codesPerGroup[g];
        for (size_t c = 0; c < chapters.size(); ++c) {
            if (codesPerChapter[c] > 0) continue;
            return Fail(chapterText, chapters[c].line,
                        "chapter " + chapters[c].number + " (" + chapters[c].title + ") has no codes in " +
                            codeText.path + ": is that file cut short?");
        }
        return true;
    }

    // A chapter's code spans its groups in index order, from the first
    // start to the last end, whether or not every group has codes.
    bool NameChapters() {
        std::vector<size_t> order(groups.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return groups[a].code < groups[b].code; });
        std::vector<std::string> first(chapters.size()), last(chapters.size());
        for (size_t g : order) {
            size_t c = chapterByNumber[groups[g].chapterNumber];
            if (first[c].empty()) first[c] = groups[g].start;
            last[c] = groups[g].end;
        }
        for (size_t c = 0; c < chapters.size(); ++c) {
            if (first[c].empty()) continue;  // no groups: refused before, as it has no codes
            chapters[c].code = first[c] + "-" + last[c];
            if (!CheckCodeText(chapterText, chapters[c].line, "chapter code", chapters[c].code)) return false;
        }
        for (size_t i = 0; i < codes.size(); ++i) {
            codes[i].chapterCode = chapters[chapterByNumber[groups[codeGroup[i]].chapterNumber]].code;
        }
        return true;
    }

    // Groups that no code names would move the walk's cursors past entries
    // it never shows; they are left out and reported. Every chapter has
    // codes by now.
    void KeepUsed(CatalogueModel& model) {
        model.chapters = chapters;
        for (size_t g = 0; g < groups.size(); ++g) {
            if (codesPerGroup[g] > 0) {
                model.groups.push_back(groups[g]);
            } else {
                model.leftOut.push_back("group " + groups[g].code + " (" + groups[g].title + ") of chapter " +
                                        groups[g].chapterNumber + " has no codes; left out");
            }
        }
        model.codes = codes;
    }

    // In index order, the parents of consecutive children must be the
    // parents' own index order, each parent's children in one run.
    // Answers the position of the first child that breaks this, or npos.
    template <typename Child, typename ParentOf>
    static size_t FirstOutOfOrder(const std::vector<Child>& children, const std::vector<std::string>& parents,
                                  ParentOf parentOf, std::string& due) {
        size_t expected = 0;
        for (size_t i = 0; i < children.size(); ++i) {
            const std::string& parent = parentOf(children[i]);
            if (i > 0 && parent != parents[expected]) ++expected;
            if (expected >= parents.size() || parent != parents[expected]) {
                due = expected < parents.size() ? parents[expected] : std::string();
                return i;
            }
        }
        return std::string::npos;
    }

    template <typename Entry>
    static std::vector<std::string> CodesOf(const std::vector<Entry>& entries) {
        std::vector<std::string> result;
        for (const Entry& entry : entries) result.push_back(entry.code);
        return result;
    }

    bool CheckGroupOrder(const CatalogueModel& model) {
        std::map<std::string, std::string> chapterCodeOf;
        for (const ChapterEntry& chapter : model.chapters) chapterCodeOf[chapter.number] = chapter.code;
        for (size_t i = 1; i < model.chapters.size(); ++i) {
            if (model.chapters[i].code == model.chapters[i - 1].code) {
                return Fail(chapterText, model.chapters[i].line,
                            "chapter " + model.chapters[i].number + " has the same code " + model.chapters[i].code +
                                " as chapter " + model.chapters[i - 1].number);
            }
        }
        std::string due;
        size_t bad = FirstOutOfOrder(
            model.groups, CodesOf(model.chapters),
            [&](const GroupEntry& g) -> const std::string& { return chapterCodeOf[g.chapterNumber]; }, due);
        if (bad == std::string::npos) return true;
        const GroupEntry& group = model.groups[bad];
        return Fail(groupText, group.line,
                    "orders disagree: in code order group " + group.code + " of chapter " + group.chapterNumber + " (" +
                        chapterCodeOf[group.chapterNumber] + ") comes where a group of chapter " + due +
                        " is due; each chapter's groups must follow one another");
    }

    bool CheckCodeOrder(const CatalogueModel& model) {
        for (size_t i = 1; i < model.groups.size(); ++i) {
            if (model.groups[i].code == model.groups[i - 1].code) {
                return Fail(groupText, model.groups[i].line, "duplicate group " + model.groups[i].code);
            }
        }
        std::string due;
        size_t bad = FirstOutOfOrder(
            model.codes, CodesOf(model.groups), [](const CodeEntry& c) -> const std::string& { return c.groupCode; },
            due);
        if (bad == std::string::npos) return true;
        const CodeEntry& code = model.codes[bad];
        return Fail(codeText, code.line,
                    "orders disagree: in code order " + code.code + " of group " + code.groupCode +
                        " comes where a code of group " + due + " is due; each group's codes must follow one another");
    }

    const SourceText& chapterText;
    const SourceText& groupText;
    const SourceText& codeText;
    ImportError& error;
    std::vector<ChapterEntry> chapters;
    std::map<std::string, size_t> chapterByNumber;
    std::vector<GroupEntry> groups;
    std::map<std::string, size_t> groupByStart;
    std::vector<size_t> codesPerGroup;
    std::vector<CodeEntry> codes;
    std::vector<size_t> codeGroup;  // index into groups, per code
};

}  // namespace

bool BuildCatalogueModel(const SourceText& chapters, const SourceText& groups, const SourceText& codes,
                         CatalogueModel& model, ImportError& error) {
    ModelBuilder builder(chapters, groups, codes, error);
    return builder.Build(model);
}

}  // namespace kodexa
