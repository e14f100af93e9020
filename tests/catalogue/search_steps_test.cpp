// The search step by step, on titles written the catalogue's way: what
// coders type, each with the codes it must find, and for some the codes it
// must not. "~" marks where the similar spellings begin.
#include <gtest/gtest.h>

#include "catalogue/plain_needle.h"
#include "catalogue/search_query.h"
#include "catalogue/text_encoding.h"
#include "catalogue/word_similarity.h"
#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

struct StepSink : LineSink {
    void BeginSimilar() override { lines.push_back("~"); }
};

class SearchSteps : public ::testing::Test {
protected:
    void SetUp() override {
        WriteCatalogue(dir.Path(), {}, {},
                       {{"E11", "Diabetes mellitus, Typ 2", "3"},
                        {"E11.2", "Diabetes mellitus, Typ 2: Mit Nierenkomplikationen", "4"},
                        {"E11.20", "Diabetes mellitus, Typ 2: Mit Nierenkomplikationen: Nicht als entgleist", "5"},
                        {"E11.21", "Diabetes mellitus, Typ 2: Mit Nierenkomplikationen: Als entgleist", "5"},
                        {"E11.90", "Diabetes mellitus, Typ 2: Ohne Komplikationen: Nicht als entgleist", "5"},
                        {"G43", "Migr\xc3\xa4ne", "3"},
                        {"G44.2", "Spannungskopfschmerz", "4"},
                        {"I50", "Herzinsuffizienz", "3"},
                        {"J06.9", "Akute Infektion der oberen Atemwege", "4"},
                        {"J18", "Pneumonie, Erreger nicht n\xc3\xa4her bezeichnet", "3"},
                        {"J20.9", "Akute Bronchitis", "4"},
                        {"K35", "Akute Appendizitis", "3"},
                        {"N28.1", "Zyste der Niere", "4"},
                        {"O29.4", "Kopfschmerzen nach Spinalan\xc3\xa4sthesie", "4"},
                        {"R11", "\xc3\x9c" "belkeit und Erbrechen", "3"},
                        {"R51", "Kopfschmerz", "3"},
                        {"S40.0", "Prellung am Arm", "4"},
                        {"S52.50", "Distale Fraktur des Radius", "5"},
                        {"S92.0", "Fraktur des Kalkaneus", "4"}});
    }
    std::vector<std::string> Find(const std::string& text) {
        CatalogueDbs dbs(dir.Path(), 0);
        StepSink sink;
        SearchCodes(dbs.codes, text, sink);
        std::vector<std::string> codes;
        for (const std::string& line : sink.lines) codes.push_back(line.substr(0, line.find('|')));
        return codes;
    }
    TempDir dir;
};

using Codes = std::vector<std::string>;

TEST_F(SearchSteps, WhatCodersTypeFindsTheCodeMeant) {
    const struct {
        const char* text;
        Codes found;  // exactly, in this order
    } cases[] = {
        {"diabetes niere", {"E11.2", "E11.20", "E11.21"}},     // a word inside a compound
        {"e11.2 entgleist", {"E11.20", "E11.21"}},            // the beginning of the code
        {"typ 2 komplikationen 0", {}},                        // but not a digit inside it
        {"bronchitis akut", {"J20.9"}},                        // another order
        {"radius fraktur distal", {"S52.50"}},
        {"\"akute bronchitis\"", {"J20.9"}},                   // a phrase keeps its order
        {"\"bronchitis akute\"", {}},
        {"kopfschmerzen", {"O29.4", "~", "G44.2", "R51"}},      // plain hits first, then word forms
        {"herzinsufizienz", {"~", "I50"}},                     // a letter missing
        {"pnuemonie", {"~", "J18"}},                           // two neighbours swapped
        {"apendizitis", {"~", "K35"}},
        {"migraene", {"~", "G43"}},                            // umlauts without the keys
        {"uebelkeit", {"~", "R11"}},
        {"ubelkeit", {"~", "R11"}},
        {"\xfc" "belkeit", {"R11"}},                           // Latin-1 from an old terminal
        {"akute niere", {}},
        {"xqzvj", {}},
        {"\xc3", {}},                                          // a lone lead byte
        {" \tmigr\xc3\xa4ne\xc2\xa0\r\n", {"G43"}},            // pasted with blanks and a line end
        {"e1190", {"E11.90"}},                                 // codes as people write them
        {"E11.2-", {"E11.20", "E11.21"}},
        {"e11.2- entgleist", {"E11.20", "E11.21"}},
        {"J06.9 G", {"J06.9"}},                                // a diagnosis line
        {"s5250 g r", {"S52.50"}},
        // The bounds of the rules: under five letters no slip and no word
        // form, up to eight one slip, from nine on two.
        {"nirre", {"~", "N28.1"}},
        {"nire", {}},
        {"armen", {"~", "S40.0"}},
        {"arms", {}},
        {"kalkanus", {"~", "S92.0"}},
        {"kalkanas", {}},
        {"kalkanaas", {"~", "S92.0"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Find(c.text), c.found) << c.text;
}

// A one-word text finds first what the search always found.
TEST_F(SearchSteps, PlainHitsComeFirstAndUnchanged) {
    for (const char* text : {"diabetes", "kopfschmerz", "nicht", "e11", "\xc3\xbc", ""}) {
        CatalogueDbs dbs(dir.Path(), 0);
        LineSink exact, all;
        SearchCodes(dbs.codes, text, exact, SearchScope::Exact);
        SearchCodes(dbs.codes, text, all);
        ASSERT_GE(all.lines.size(), exact.lines.size()) << text;
        EXPECT_EQ(Codes(all.lines.begin(), all.lines.begin() + exact.lines.size()), exact.lines) << text;
    }
}

TEST(WordSimilarity, SlipsAreCountedAsOneEditEach) {
    const struct {
        const char* a;
        const char* b;
        int limit;
        bool within;
    } cases[] = {
        {"niere", "niere", 0, true},  {"niere", "nierre", 1, true},   {"niere", "nire", 1, true},
        {"niere", "nirre", 1, true},  {"niere", "inere", 1, true},    {"niere", "einer", 1, false},
        {"niere", "eneri", 2, false}, {"kalkaneus", "kalkanaas", 2, true}, {"kalkaneus", "klakanaas", 2, false},
        {"abc", "abcde", 1, false},   {"", "ab", 2, true},
    };
    for (const auto& c : cases) EXPECT_EQ(WithinSlips(c.a, c.b, c.limit), c.within) << c.a << " " << c.b;
    EXPECT_EQ((std::vector<int>{SlipsAllowed(4), SlipsAllowed(5), SlipsAllowed(8), SlipsAllowed(9)}),
              (std::vector<int>{0, 1, 1, 2}));
}

TEST(WordSimilarity, UmlautSpellingsAndStems) {
    EXPECT_EQ(PlainUmlauts("\xe4\xf6\xfc\xdf"), "aouss");
    EXPECT_EQ(UmlautsFromPairs("uebelkeit migraene"), "\xfc" "belkeit migr\xe4ne");
    std::string latin1;
    LowerLatin1("\xc3\x9c" "BEL \xe2\x80\x93 \xc3", latin1);
    EXPECT_EQ(latin1, "\xfc" "bel ? ?");
    GermanStemmer stemmer;
    EXPECT_EQ(stemmer.Stem("kopfschmerzen"), stemmer.Stem("kopfschmerz"));
    EXPECT_EQ(stemmer.Stem("fu\xdf"), "fuss");
}

// A small generator of its own, so that every run sees the same texts.
struct Draws {
    uint32_t state = 12345;
    size_t Below(size_t n) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % n;
    }
};

// Texts of umlauts, ß, capitals and broken sequences, on both sides of the
// sixteen-byte blocks the needle passes over.
TEST(PlainNeedle, FindsWhatThePlainSpellingHolds) {
    const char* const pieces[] = {"a", "s", "ss", "e", "r", "n", "\xc3\x9f", "\xc3\xa4", "\xc3\x84", "\xc3\xbc", "\xc3\x9c",
                                  "A", "S", "E", "R", " ", "\xc3", "\xa4", "\xe2\x82\xac", "u", "er", "\xc3\xa9"};
    const char* const needles[] = {"a", "s", "ss", "sse", "ass", "er", "ner", "uer", "aser", "rs", "sa", "ae", "nnnn"};
    Draws draws;
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        const size_t count = draws.Below(30);
        for (size_t k = 0; k < count; ++k) text += pieces[draws.Below(sizeof pieces / sizeof *pieces)];
        std::string latin1;
        LowerLatin1(text, latin1);
        const std::string plain = PlainUmlauts(latin1);
        for (const char* needle : needles)
            ASSERT_EQ(PlainNeedle(needle).OccursIn(text), plain.find(needle) != std::string::npos) << needle << " in " << text;
    }
    EXPECT_FALSE(PlainNeedle("\xe9t\xe9").Usable());
}

// Whatever the slips, and wherever they fall, a word with as many as it
// is allowed is found in a title.
TEST(SearchQuery, EverySlipWithinTheLimitIsFound) {
    const char* const words[] = {"niere", "radius", "fraktur", "diabetes", "kalkaneus", "appendizitis", "herzinsuffizienz"};
    Draws draws;
    for (const char* word : words) {
        const int slips = SlipsAllowed(std::string(word).size());
        for (int round = 0; round < 300; ++round) {
            std::string token = word;
            for (int slip = 0; slip < slips; ++slip) {
                const size_t at = draws.Below(token.size());
                const char letter = static_cast<char>('a' + draws.Below(26));
                switch (draws.Below(4)) {
                    case 0: token.insert(at, 1, letter); break;
                    case 1: token.erase(at, 1); break;
                    case 2: token[at] = letter; break;
                    default: if (at + 1 < token.size()) std::swap(token[at], token[at + 1]);
                }
            }
            if (!WithinSlips(word, token, slips)) continue;  // a swap after a change may undo neither
            SearchQuery query(word);
            const std::string title = "Sonstige " + token + ", nicht n\xc3\xa4her bezeichnet";
            EXPECT_NE(query.Match(title, "X00.0", {"X00.0"}), SearchStep::None) << word << " as " << token;
        }
    }
}

TEST(SearchText, ReadAsTypedOrPasted) {
    const std::pair<std::string, std::string> cases[] = {
        {"  akute \t\t bronchitis\r\n", "akute bronchitis"},
        {"a\xc2\xa0" "b\xe2\x80\xaf" "c\xe3\x80\x80", "a b c"},
        {"\xfc" "belkeit", "\xc3\xbc" "belkeit"},  // not UTF-8: Latin-1
        {"\xc3", "\xc3\x83"},
        {"\xed\xa0\x80", "\xc3\xad \xc2\x80"},  // a surrogate is no UTF-8; A0 is a blank in Latin-1
        {"   ", ""},
    };
    for (const auto& [typed, searched] : cases) EXPECT_EQ(NormalisedSearchText(typed), searched) << typed;
    EXPECT_TRUE(IsUtf8("\xf4\x8f\xbf\xbf"));
    EXPECT_FALSE(IsUtf8("\xf4\x90\x80\x80"));  // beyond U+10FFFF
    EXPECT_FALSE(IsUtf8("\xc0\xaf"));          // overlong
    EXPECT_EQ(FromLatin1("\xe4" "a"), "\xc3\xa4" "a");
}

}  // namespace
}  // namespace kodexa::test
