#include "catalogue/settings_file.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace kodexa {

namespace {

// Far more than 100,000 favourites take; a file beyond it is not ours.
constexpr size_t kMostSettingsBytes = 32u << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

size_t SkipBlanks(const std::string& line, size_t p) {
    while (p < line.size() && IsBlank(line[p])) ++p;
    return p;
}

std::string TrimEnd(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    return text.substr(0, end);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The quoted value that begins after the quote at p; an unclosed quote
// runs to the end of the line.
std::string Unquoted(const std::string& line, size_t p) {
    std::string value;
    while (p < line.size() && line[p] != '"') {
        char c = line[p++];
        if (c == '\\' && p < line.size()) {
            const char escaped = line[p++];
            switch (escaped) {
                case 'n': c = '\n'; break;
                case 't': c = '\t'; break;
                case 'r': c = '\r'; break;
                case 'v': c = '\v'; break;
                case 'f': c = '\f'; break;
                case 'a': c = '\a'; break;
                case 'b': c = '\b'; break;
                case 'x': {
                    int byte = 0, digits = 0;
                    while (digits < 2 && p < line.size() && HexDigit(line[p]) >= 0) byte = byte * 16 + HexDigit(line[p++]), ++digits;
                    c = static_cast<char>(byte);
                    break;
                }
                default: c = escaped;  // \" \\ \' and anything unknown
            }
        }
        value += c;
    }
    return value;
}

// Reads "key = value" into key and value; false for a line without '='
// or without a key.
bool ReadEntry(const std::string& line, size_t p, std::string& key, std::string& value) {
    const size_t equals = line.find('=', p);
    if (equals == std::string::npos) return false;
    key = TrimEnd(line.substr(p, equals - p));
    if (key.empty()) return false;
    const size_t start = SkipBlanks(line, equals + 1);
    value = start < line.size() && line[start] == '"' ? Unquoted(line, start + 1) : TrimEnd(line.substr(start));
    return true;
}

// The name of a "[name]" line; false when the ']' is missing.
bool ReadSectionName(const std::string& line, size_t p, std::string& name) {
    const size_t close = line.find(']', p + 1);
    if (close == std::string::npos) return false;
    name = line.substr(p + 1, close - p - 1);
    return true;
}

}  // namespace

std::string UserSettingsPath() {
    const char* home = std::getenv("HOME");
    std::string dir = home != nullptr ? home : "";
    if (dir.empty()) {
        if (const passwd* user = getpwuid(getuid())) dir = user->pw_dir != nullptr ? user->pw_dir : "";
    }
    return dir + "/.foxrc/Taviron/Kodexa";
}

SettingsEntries SettingsSection(const std::string& text, const std::string& section) {
    SettingsEntries entries;
    std::map<std::string, size_t> where;  // key -> its place in entries
    std::string current;
    bool inSection = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t p = SkipBlanks(line, 0);
        if (p == line.size() || line[p] == '#' || line[p] == ';') continue;
        if (line[p] == '[') {
            if (ReadSectionName(line, p, current)) inSection = current == section;
            continue;
        }
        std::string key, value;
        if (!inSection || !ReadEntry(line, p, key, value)) continue;
        auto known = where.find(key);
        if (known != where.end()) {
            entries[known->second].second = value;
        } else {
            where.emplace(key, entries.size());
            entries.emplace_back(key, value);
        }
    }
    return entries;
}

SettingsRead ReadSettingsText(const std::string& path, std::string& text) {
    text.clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return errno == ENOENT ? SettingsRead::Absent : SettingsRead::Unreadable;
    char buffer[65536];
    size_t got = 0;
    while (text.size() < kMostSettingsBytes && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (text.size() > kMostSettingsBytes) text.resize(kMostSettingsBytes);
    return failed ? SettingsRead::Unreadable : SettingsRead::Read;
}

}  // namespace kodexa
