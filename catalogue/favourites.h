// The coder's own lists: the favourite codes and the codes copied last.
// Kept in the user's settings file, one numbered entry per code, so that
// the window and kodexa-find read the same lists. Nothing here knows about
// widgets or the toolkit; the window writes what Entries gives through the
// toolkit's registry, kodexa-find reads the file with settings_file.h.
#ifndef KODEXA_CATALOGUE_FAVOURITES_H
#define KODEXA_CATALOGUE_FAVOURITES_H

#include <cstddef>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/search_query.h"

namespace kodexa {

class Catalogue;
struct Edition;

// A section of the settings file: key and value, in the file's order.
using SettingsEntries = std::vector<std::pair<std::string, std::string>>;

// The settings sections of the two lists. The keys are 1, 2, ...: a value
// is limited in length by the toolkit, a list of codes is not.
constexpr char kFavouritesSection[] = "favourites";
constexpr char kRecentSection[] = "recent";

class FavouriteLists {
public:
    // The codes copied last that are kept, newest first.
    static constexpr std::size_t kRecentLimit = 20;
    // More favourites than the catalogue has codes would be a file gone
    // wrong; past this many, the lists stop growing, so that a damaged
    // settings file cannot make every change write megabytes.
    static constexpr std::size_t kFavouriteLimit = 20000;

    // The lists from their settings sections. Every value is read as a code
    // in any written form (ReadCodeForm); blanks, words that are no code,
    // codes for a range ("E11.-"), repeats and what lies past the limits are
    // left out. Recent entries are taken in the order of their numbers,
    // keys that are no number are left out.
    static FavouriteLists FromSettings(const SettingsEntries& favourites, const SettingsEntries& recent);

    // Adds the code written so (any form ReadCodeForm reads); false when it
    // is no single code, is there already, or the list is full.
    bool AddFavourite(const std::string& written);
    bool RemoveFavourite(const std::string& code);
    bool IsFavourite(const std::string& code) const { return favourites.count(code) != 0; }
    // Puts the code in front of the recent codes, once; false when it is no
    // single code or in front already.
    bool NoteCopied(const std::string& written);

    // In code order.
    std::vector<std::string> Favourites() const { return {favourites.begin(), favourites.end()}; }
    // Newest first.
    const std::vector<std::string>& Recent() const { return recent; }

    // The sections to write back: keys 1, 2, ... in the lists' order.
    SettingsEntries FavouriteEntries() const { return Numbered(Favourites()); }
    SettingsEntries RecentEntries() const { return Numbered(recent); }

private:
    static SettingsEntries Numbered(const std::vector<std::string>& codes);

    std::set<std::string> favourites;
    std::vector<std::string> recent;
};

// The code in the form the catalogue keeps ("e1190" gives "E11.90"); empty
// when written is no single code.
std::string CatalogueCode(const std::string& written);

// The title of code in catalogue; for a code it does not have (a favourite
// from another edition), "nicht in ICD-10-GM 2024" with the edition open,
// and what its transition table says became of it: "Nachfolger: J09.X1",
// "Nachfolger zur Wahl: U07.1, U07.2", "ohne Nachfolger". inCatalogue,
// when given, learns which of the two it is.
std::string FavouriteTitle(Catalogue& catalogue, const std::string& code, const Edition& edition,
                           bool* inCatalogue = nullptr);

// A list of codes as practices pass them around: one code per line, in any
// form ReadCodeForm reads; blank lines are skipped.
struct CodeListLine {
    int number;          // from 1
    std::string text;    // the line as written, without its line end
};
struct CodeList {
    std::vector<std::string> codes;        // in the file's order, as the catalogue keeps them
    std::vector<CodeListLine> notCodes;    // lines that are not a code
};
CodeList ReadCodeList(const std::string& text);
// One code per line, each line ending in '\n'.
std::string WriteCodeList(const std::vector<std::string>& codes);

// What the filter field of the favourites page lets through: what the
// search would find, by any of its steps (every word in any order, word
// forms, slips, codes as written); an empty filter lets everything
// through. Made once for all the entries of a list.
class EntryFilter {
public:
    explicit EntryFilter(const std::string& filter) : query(filter) {}
    bool Matches(const std::string& code, const std::string& title) {
        return query.Match(title, code, {code}) != SearchStep::None;
    }

private:
    SearchQuery query;
};

}  // namespace kodexa

#endif
