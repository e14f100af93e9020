#include "catalogue/favourites.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "catalogue/catalogue.h"
#include "catalogue/code_form.h"

namespace kodexa {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// The number a key of the recent section stands for; false for anything
// but a plain positive number of at most nine digits.
bool KeyNumber(const std::string& key, long& number) {
    if (key.empty() || key.size() > 9 || !std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    number = std::strtol(key.c_str(), nullptr, 10);
    return true;
}

// ", Nachfolger: A, B"; nothing when the table does not know the code.
std::string SuccessionWords(const Succession& succession) {
    switch (succession.kind) {
        case SuccessionKind::Automatic:
        case SuccessionKind::Choice: {
            std::string words = succession.kind == SuccessionKind::Choice ? ", Nachfolger zur Wahl: " : ", Nachfolger: ";
            for (size_t i = 0; i < succession.codes.size(); ++i) words += (i > 0 ? ", " : "") + succession.codes[i];
            return words;
        }
        case SuccessionKind::Dropped:
            return ", ohne Nachfolger";
        default:
            return "";
    }
}

}  // namespace

std::string CatalogueCode(const std::string& written) {
    CodeForm form;
    if (!ReadCodeForm(Trimmed(written), form) || form.under) return "";
    return form.code;
}

FavouriteLists FavouriteLists::FromSettings(const SettingsEntries& favourites, const SettingsEntries& recent) {
    FavouriteLists lists;
    for (const auto& entry : favourites) {
        if (lists.favourites.size() >= kFavouriteLimit) break;
        lists.AddFavourite(entry.second);
    }
    // A later entry of the same number stands, as it does for the toolkit.
    std::map<long, std::string> byNumber;
    for (const auto& entry : recent) {
        long number = 0;
        if (KeyNumber(entry.first, number)) byNumber[number] = entry.second;
    }
    for (const auto& numbered : byNumber) {
        if (lists.recent.size() >= kRecentLimit) break;
        const std::string code = CatalogueCode(numbered.second);
        if (!code.empty() && std::find(lists.recent.begin(), lists.recent.end(), code) == lists.recent.end())
            lists.recent.push_back(code);
    }
    return lists;
}

bool FavouriteLists::AddFavourite(const std::string& written) {
    const std::string code = CatalogueCode(written);
    if (code.empty() || favourites.size() >= kFavouriteLimit) return false;
    return favourites.insert(code).second;
}

bool FavouriteLists::RemoveFavourite(const std::string& code) { return favourites.erase(code) != 0; }

bool FavouriteLists::NoteCopied(const std::string& written) {
    const std::string code = CatalogueCode(written);
    if (code.empty() || (!recent.empty() && recent.front() == code)) return false;
    auto there = std::find(recent.begin(), recent.end(), code);
    if (there != recent.end()) recent.erase(there);
    recent.insert(recent.begin(), code);
    if (recent.size() > kRecentLimit) recent.resize(kRecentLimit);
    return true;
}

SettingsEntries FavouriteLists::Numbered(const std::vector<std::string>& codes) {
    SettingsEntries entries;
    entries.reserve(codes.size());
    for (size_t i = 0; i < codes.size(); ++i) entries.emplace_back(std::to_string(i + 1), codes[i]);
    return entries;
}

// The index keeps seven characters of a code; only the record tells
// whether it is this code.
std::string FavouriteTitle(Catalogue& catalogue, const std::string& code, const Edition& edition, bool* inCatalogue) {
    CodeFacts facts;
    const bool found = catalogue.LookUp(code, facts) && facts.code == code;
    if (inCatalogue != nullptr) *inCatalogue = found;
    if (found) return facts.title;
    const std::string name = EditionName(edition);
    return (name.empty() ? "nicht im ge\xc3\xb6" "ffneten Katalog" : "nicht in " + name) +
           SuccessionWords(catalogue.SuccessorOf(code));
}

CodeList ReadCodeList(const std::string& text) {
    CodeList list;
    int number = 0;
    // Editors on other systems begin a UTF-8 file with a byte order mark.
    const char kByteOrderMark[] = "\xef\xbb\xbf";
    size_t start = text.compare(0, 3, kByteOrderMark) == 0 ? 3 : 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++number;
        start = end + 1;
        if (Trimmed(line).empty()) continue;
        const std::string code = CatalogueCode(line);
        if (code.empty())
            list.notCodes.push_back({number, line});
        else
            list.codes.push_back(code);
    }
    return list;
}

std::string WriteCodeList(const std::vector<std::string>& codes) {
    std::string text;
    for (const std::string& code : codes) text += code + "\n";
    return text;
}


}  // namespace kodexa
