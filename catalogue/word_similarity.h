// When two German words are spelled alike: the same word form, umlauts
// written another way, or a typing slip. The words are Latin-1 in lower
// case, one byte a letter, so that a letter is a byte to the stemmer and to
// the edit count.
#ifndef KODEXA_CATALOGUE_WORD_SIMILARITY_H
#define KODEXA_CATALOGUE_WORD_SIMILARITY_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct sb_stemmer;

namespace kodexa {

// A UTF-8 text as Latin-1 in lower case; a character Latin-1 lacks, or a
// broken sequence, becomes '?'. Meant for titles, one after another, so it
// makes no converter of its own.
void LowerLatin1(std::string_view utf8, std::string& latin1);

// Whether the Latin-1 byte belongs to a word: a letter or a digit.
inline bool IsWordByte(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= 0xC0 && byte != 0xD7 && byte != 0xF7);
}

// The letters a to z of a Latin-1 text, one bit each: a word can only be
// the same as another, give or take some slips, if it lacks no more of the
// other's letters than it has slips.
uint32_t LettersOf(std::string_view latin1);

// ä ö ü as a o u and ß as ss: the spelling of a keyboard without them.
std::string PlainUmlauts(std::string_view latin1);
// ae oe ue as ä ö ü: the other way of writing them without the keys.
std::string UmlautsFromPairs(std::string_view latin1);

// How many slips a word of this many letters may have and still count as
// the same word: none under five letters, one up to eight, two beyond.
int SlipsAllowed(size_t letters);

// Whether b is a with at most limit slips: a letter added, dropped or
// changed, or two neighbours swapped.
bool WithinSlips(std::string_view a, std::string_view b, int limit);

// The Snowball German stemmer: "kopfschmerzen" and "kopfschmerz" both give
// "kopfschmerz". The stem is a beginning of the word's PlainUmlauts form.
class GermanStemmer {
public:
    GermanStemmer();
    ~GermanStemmer();
    GermanStemmer(const GermanStemmer&) = delete;
    GermanStemmer& operator=(const GermanStemmer&) = delete;

    // The word's PlainUmlauts form should the stemmer be missing.
    std::string Stem(std::string_view latin1) const;

private:
    sb_stemmer* stemmer;
};

}  // namespace kodexa

#endif
