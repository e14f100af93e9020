// What a search text asks for, and which step of the search finds a given
// title or index term. The walks over the codes and over the alphabetical
// index hand each record to a SearchQuery and keep the hits of the later
// steps back until the walk is done, so that the hits come step by step:
//
//   Plain      the whole text, folded, inside the title or the code: the
//              search as it has always been, so its hits come first
//   AllWords   every word of the text, in any order, inside the title or
//              as the beginning of the code; "double quotes" keep a phrase
//              one word
//   Similar    every word found as it is or spelled alike: another word
//              form, umlauts written as ae oe ue ss or a o u, a typing slip
//              (words of five letters or more only)
//   Code       a word written as a code ("e1190", "E11.2-") names the code,
//              the other words found as in AllWords; the letters of a
//              diagnosis line after a code ("J06.9 G R") do not count
//
// The text is read as typed or pasted: any run of blanks, tabs,
// non-breaking spaces and line ends is one blank, and none at the ends; a
// text that is not UTF-8 is read as Latin-1.
#ifndef KODEXA_CATALOGUE_SEARCH_QUERY_H
#define KODEXA_CATALOGUE_SEARCH_QUERY_H

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "catalogue/catalogue_sink.h"
#include "catalogue/code_form.h"
#include "catalogue/folded_needle.h"
#include "catalogue/plain_needle.h"
#include "catalogue/search_scope.h"
#include "catalogue/word_similarity.h"

namespace kodexa {

enum class SearchStep { None, Plain, AllWords, Similar, Code };

// The text as typed or pasted, made the text searched for (see above).
std::string NormalisedSearchText(const std::string& typed);

class SearchQuery {
public:
    explicit SearchQuery(const std::string& typed, SearchScope scope = SearchScope::AllSteps);

    // True when only the Plain step can find anything.
    bool PlainOnly() const { return words.empty(); }
    // The step that finds a record with this text (a title or a term), the
    // code searched with it as text (empty for a term), and the codes it is
    // known by (without marks); None when no step finds it.
    SearchStep Match(std::string_view text, std::string_view code, std::initializer_list<std::string_view> codes);

private:
    struct Word {
        FoldedNeedle needle{std::string()}; // folded, as searched inside the text
        bool phrase = false;               // came in double quotes: found as it is only
        bool wholeText = false;            // the same as the whole text: missing wherever Plain fails
        bool isCode = false;               // a code as people write it
        CodeForm form;                     // when isCode
        int slips = 0;                     // typing slips allowed: 0 means it is never spelled alike
        std::vector<std::string> plains;   // PlainUmlauts of the word and of UmlautsFromPairs
        std::vector<std::string> stems;    // their stems
        // A text holds a token spelled alike only if it holds one of these;
        // empty when that cannot be told so.
        std::vector<PlainNeedle> marks;
    };

    void ReadWords(const std::string& text);
    void AddWord(const std::string& text, bool phrase);
    void PrepareSimilar(size_t index);
    void PrepareMarks(Word& word) const;
    bool MayHoldAlike(std::string_view text, uint32_t missing) const;
    bool MatchesCode(std::initializer_list<std::string_view> codes) const;
    bool SpelledAlike(std::string_view text, uint32_t missing);
    uint32_t AlikeWordsOf(std::string_view token);
    // Whether a token with these letters, this many bytes and characters
    // may stand for one of the missing words; ascii when it is all ASCII,
    // so that its letters are exactly those of its plain spelling.
    bool MayBeAlike(uint32_t tokenLetters, size_t bytes, size_t characters, bool ascii, uint32_t missing) const;
    // For an ASCII token (folded) that MayBeAlike let through: whether it
    // holds a stem or is about as long as a missing word.
    bool AsciiMayBeAlike(std::string_view folded, uint32_t missing) const;

    FoldedNeedle plain{std::string()};
    std::vector<Word> words;
    // What MayBeAlike asks of a token for each spelling of each word.
    struct Spelling {
        uint32_t wordBit;
        uint32_t stemLetters, letters;  // LettersOf the stem and of the plain spelling
        size_t fewestCharacters, mostCharacters;  // a token the slips may reach
        int slips;
        size_t leastBytes;  // of a token holding the stem or the plain spelling
        std::string stem;   // when it begins the plain spelling, else empty
        size_t plainSize;
    };
    std::vector<Spelling> spellings;
    std::vector<size_t> wordOrder;  // words that must be found as they are first
    int gate = -1;                  // the first word of wordOrder, when the whole text holds it
    uint32_t codeWords = 0, similarWords = 0;
    bool anyCode = false;
    // Scratch room and what one search learns about the words of the texts.
    std::string foldedToken, latin1;
    std::deque<std::string> tokens;  // the keys' text; a deque never moves it
    std::unordered_map<std::string_view, uint32_t> alikeByToken;
    size_t shortestAlike = SIZE_MAX;  // no shorter word can be alike
    std::unique_ptr<GermanStemmer> stemmer;
};

// The hits of the steps after Plain, kept until the walk ends, then handed
// on in step order; the sink learns where the similar spellings begin.
template <typename Hit>
class LaterHits {
public:
    void Keep(SearchStep step, Hit hit) { kept[Slot(step)].push_back(std::move(hit)); }

    template <typename Hand>
    bool HandOn(SearchSink& sink, Hand hand) const {
        bool any = false;
        for (SearchStep step : {SearchStep::AllWords, SearchStep::Similar, SearchStep::Code}) {
            const std::vector<Hit>& hits = kept[Slot(step)];
            if (step == SearchStep::Similar && !hits.empty()) sink.BeginSimilar();
            for (const Hit& hit : hits) hand(hit);
            any = any || !hits.empty();
        }
        return any;
    }

private:
    static size_t Slot(SearchStep step) { return static_cast<size_t>(step) - static_cast<size_t>(SearchStep::AllWords); }
    std::vector<Hit> kept[3];
};

}  // namespace kodexa

#endif
