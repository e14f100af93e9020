// The one case folding of every search: the titles' and the alphabetical
// index's. Both must fold alike, or a word found in one is missed in the
// other.
#ifndef KODEXA_CATALOGUE_SEARCH_FOLD_H
#define KODEXA_CATALOGUE_SEARCH_FOLD_H

#include <algorithm>
#include <string>

namespace kodexa {

// Folds A to Z only, as tolower does in the C locale, whatever locale the
// process runs in: every other byte, umlauts included, stays as it is.
inline char FoldForSearch(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string FoldForSearch(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return FoldForSearch(c); });
    return text;
}

}  // namespace kodexa

#endif
