#include "import/import_source.h"

#include <dirent.h>
#include <iconv.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "store/file_layer.h"

namespace kodexa {

std::string FormatImportError(const ImportError& error) {
    std::string text = error.file;
    if (error.line > 0) text += ", line " + std::to_string(error.line);
    return text + ": " + error.message;
}

const char* RoleName(SourceRole role) {
    switch (role) {
    case SourceRole::Chapters: return "chapters";
    case SourceRole::Groups: return "groups";
    case SourceRole::Codes: return "codes";
    case SourceRole::AlphaIndex: return "alphabetical index";
    case SourceRole::Transitions: return "transition table";
    }
    return "?";
}

const char* EncodingName(SourceEncoding encoding) {
    switch (encoding) {
    case SourceEncoding::Utf8: return "UTF-8";
    case SourceEncoding::Utf8WithMark: return "UTF-8 with byte-order mark";
    case SourceEncoding::Latin1: return "ISO-8859-1, converted to UTF-8";
    }
    return "?";
}

namespace {

bool RoleOfWord(const std::string& word, SourceRole& role) {
    if (word == "kapitel" || word == "chapters") {
        role = SourceRole::Chapters;
    } else if (word == "gruppen" || word == "groups") {
        role = SourceRole::Groups;
    } else if (word == "kodes" || word == "codes") {
        role = SourceRole::Codes;
    } else {
        return false;
    }
    return true;
}

std::string Lowercase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
    return joined;
}

// Takes text at name[at] when it is there.
bool Take(const std::string& name, size_t& at, const char* text) {
    size_t length = std::strlen(text);
    if (name.compare(at, length, text) != 0) return false;
    at += length;
    return true;
}

// Takes four digits at name[at] when they are there, and answers them.
std::string TakeYear(const std::string& name, size_t& at) {
    size_t digits = 0;
    while (digits < 4 && at + digits < name.size() && name[at + digits] >= '0' && name[at + digits] <= '9') ++digits;
    if (digits != 4) return "";
    at += 4;
    return name.substr(at - 4, 4);
}

}  // namespace

bool ClassifySourceName(const std::string& name, SourceRole& role, std::string& edition) {
    // icd10 [gm|who] [YYYY] syst_ ROLE [YYYY] .txt: the year sits before
    // "syst_" from 2011 on and after the role word before.
    std::string lower = Lowercase(name);
    size_t at = 0;
    if (!Take(lower, at, "icd10")) return false;
    std::string variant = Take(lower, at, "gm") ? "gm" : Take(lower, at, "who") ? "who" : "";
    std::string year = TakeYear(lower, at);
    if (!Take(lower, at, "syst_")) return false;
    size_t wordStart = at;
    while (at < lower.size() && lower[at] >= 'a' && lower[at] <= 'z') ++at;
    if (!RoleOfWord(lower.substr(wordStart, at - wordStart), role)) return false;
    std::string lateYear = TakeYear(lower, at);
    if (!Take(lower, at, ".txt") || at != lower.size() || (!year.empty() && !lateYear.empty())) return false;
    edition = "icd10" + variant + year + lateYear;
    return true;
}

bool FindOptionalSource(const std::string& dir, bool (*isWanted)(const std::string&), const std::string& several,
                        const std::string& option, std::string& path, ImportError& error) {
    error = ImportError{dir, 0, ""};
    path.clear();
    std::vector<std::string> names;
    if (!ListDirectory(dir.c_str(), names)) {
        error.message = std::string("cannot read the directory: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> found;
    for (const std::string& name : names)
        if (isWanted(name)) found.push_back(name);
    if (found.size() > 1) {
        std::sort(found.begin(), found.end());
        std::string listed;
        for (const std::string& name : found) listed += (listed.empty() ? "" : ", ") + name;
        error.message = "several " + several + " (" + listed + "); name one with " + option;
        return false;
    }
    if (found.size() == 1) path = dir + (dir.empty() || dir.back() == '/' ? "" : "/") + found[0];
    return true;
}

bool FindSourceFiles(const std::string& dir, SourceFiles& files, ImportError& error) {
    error = ImportError{dir, 0, ""};
    std::vector<std::string> names;
    if (!ListDirectory(dir.c_str(), names)) {
        error.message = std::string("cannot read the directory: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> found[3];
    std::vector<std::string> editions[3];
    for (const std::string& name : names) {
        SourceRole role;
        std::string edition;
        if (!ClassifySourceName(name, role, edition)) continue;
        found[static_cast<int>(role)].push_back(name);
        editions[static_cast<int>(role)].push_back(edition);
    }
    std::string* targets[3] = {&files.chapters, &files.groups, &files.codes};
    for (int r = 0; r < 3; ++r) {
        const char* role = RoleName(static_cast<SourceRole>(r));
        if (found[r].empty()) {
            error.message = std::string("no ") + role + " file (such as icd10gm2024syst_" +
                            (r == 0   ? "kapitel"
                             : r == 1 ? "gruppen"
                                      : "kodes") +
                            ".txt) in this directory";
            return false;
        }
        if (found[r].size() > 1) {
            std::sort(found[r].begin(), found[r].end());
            error.message = std::string("several ") + role + " files (" + JoinNames(found[r]) +
                            "); name the chapters, groups and codes files explicitly";
            return false;
        }
        *targets[r] = dir + (dir.empty() || dir.back() == '/' ? "" : "/") + found[r][0];
    }
    if (editions[0][0] != editions[1][0] || editions[0][0] != editions[2][0]) {
        error.message = "the chapters, groups and codes files belong to different editions (" + found[0][0] + ", " +
                        found[1][0] + ", " + found[2][0] + ")";
        return false;
    }
    return true;
}

bool IsValidUtf8(const std::string& bytes) {
    size_t i = 0, n = bytes.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        int follow;
        uint32_t value;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            follow = 1, value = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow = 2, value = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3, value = c & 0x07u;
        } else {
            return false;
        }
        if (n - i <= static_cast<size_t>(follow)) return false;
        for (int k = 1; k <= follow; ++k) {
            unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            value = (value << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and values beyond U+10FFFF.
        static const uint32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
        if (value < kSmallest[follow] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return false;
        i += follow + 1;
    }
    return true;
}

namespace {

class Converter {
public:
    Converter() : handle(iconv_open("UTF-8", "ISO-8859-1")) {}
    ~Converter() {
        if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Convert(const std::string& in, std::string& out) {
        if (handle == reinterpret_cast<iconv_t>(-1)) return false;
        // Every ISO-8859-1 byte becomes at most two UTF-8 bytes.
        out.assign(in.size() * 2, '\0');
        char* from = const_cast<char*>(in.data());
        size_t fromLeft = in.size();
        char* to = &out[0];
        size_t toLeft = out.size();
        if (iconv(handle, in.empty() ? nullptr : &from, &fromLeft, &to, &toLeft) == static_cast<size_t>(-1)) {
            return false;
        }
        out.resize(out.size() - toLeft);
        return fromLeft == 0;
    }

private:
    iconv_t handle;
};

bool ReadWholeFile(const std::string& path, std::string& bytes, ImportError& error) {
    struct stat info;
    if (PathStatus(path.c_str(), &info) != 0) {
        error.message = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error.message = "not a regular file";
        return false;
    }
    if (!ReadFileBytes(path.c_str(), bytes)) {
        error.message = std::string("cannot read: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// C0 controls, DEL, and the C1 controls U+0080..U+009F (which is what
// stray Windows-1252 bytes turn into when taken as ISO-8859-1).
size_t FindControlCharacter(const std::string& line) {
    for (size_t i = 0; i < line.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c < 0x20 || c == 0x7F) return i;
        if (c == 0xC2 && i + 1 < line.size()) {
            unsigned char next = static_cast<unsigned char>(line[i + 1]);
            if (next >= 0x80 && next <= 0x9F) return i;
        }
    }
    return std::string::npos;
}

std::vector<std::string> SplitFields(const std::string& line, char separator) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t end = line.find(separator, start);
        fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return fields;
        start = end + 1;
    }
}

std::string DescribeControl(const std::string& line, size_t at, char separator) {
    unsigned char c = static_cast<unsigned char>(line[at]);
    unsigned code = c == 0xC2 ? static_cast<unsigned char>(line[at + 1]) : c;
    char text[64];
    std::snprintf(text, sizeof text, "control character U+%04X in field %zu", code,
                  static_cast<size_t>(std::count(line.begin(), line.begin() + at, separator)) + 1);
    return text;
}

}  // namespace

bool Latin1ToUtf8(const std::string& latin1, std::string& utf8) {
    Converter converter;
    return converter.Convert(latin1, utf8);
}

bool ReadSourceText(const std::string& path, SourceText& text, ImportError& error, char separator) {
    error = ImportError{path, 0, ""};
    text = SourceText{};
    text.path = path;
    std::string bytes;
    if (!ReadWholeFile(path, bytes, error)) return false;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        bytes.erase(0, 3);
        text.encoding = SourceEncoding::Utf8WithMark;
    }
    if (!IsValidUtf8(bytes)) {
        std::string converted;
        if (!Latin1ToUtf8(bytes, converted)) {
            error.message = "neither UTF-8 nor convertible from ISO-8859-1";
            return false;
        }
        bytes.swap(converted);
        text.encoding = SourceEncoding::Latin1;
    }
    size_t start = 0;
    for (int number = 1; start < bytes.size(); ++number) {
        size_t end = bytes.find('\n', start);
        // Every line of these files ends in a line end; a last line without
        // one is where a download or a copy stopped, possibly inside a title.
        if (end == std::string::npos) {
            error.line = number;
            error.message = "the last line has no line end: the file is cut short";
            return false;
        }
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        size_t control = FindControlCharacter(line);
        if (control != std::string::npos) {
            error.line = number;
            error.message = DescribeControl(line, control, separator);
            return false;
        }
        text.lines.push_back(SourceLine{number, SplitFields(line, separator)});
    }
    return true;
}

}  // namespace kodexa
