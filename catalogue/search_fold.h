// The one case folding of every search: the titles' and the alphabetical
// index's. Both must fold alike, or a word found in one is missed in the
// other.
#ifndef KODEXA_CATALOGUE_SEARCH_FOLD_H
#define KODEXA_CATALOGUE_SEARCH_FOLD_H

#include <cstddef>
#include <string>

namespace kodexa {

// The second byte of Ä, Ö and Ü in UTF-8.
inline bool IsCapitalUmlautTail(unsigned char byte) { return byte == 0x84 || byte == 0x96 || byte == 0x9C; }

// The byte at p of text, folded: A to Z as tolower does in the C locale,
// whatever locale the process runs in, and the capital umlauts of the UTF-8
// catalogue (C3 84, C3 96, C3 9C) to the small ones (C3 A4, C3 B6, C3 BC):
// titles begin with "Übelkeit" or "Ödem", and users type them in small
// letters. Every other byte stays as it is, so a folded text is as long as
// the text.
inline char FoldedAt(const char* text, size_t p) {
    const unsigned char byte = static_cast<unsigned char>(text[p]);
    if (byte >= 'A' && byte <= 'Z') return static_cast<char>(byte - 'A' + 'a');
    if (p > 0 && static_cast<unsigned char>(text[p - 1]) == 0xC3 && IsCapitalUmlautTail(byte))
        return static_cast<char>(byte + 0x20);
    return text[p];
}

inline std::string FoldCase(const std::string& text) {
    std::string folded(text.size(), '\0');
    for (size_t p = 0; p < text.size(); ++p) folded[p] = FoldedAt(text.data(), p);
    return folded;
}

}  // namespace kodexa

#endif
