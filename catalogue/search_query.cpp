#include "catalogue/search_query.h"

#include <algorithm>

#include "catalogue/search_fold.h"
#include "catalogue/text_encoding.h"

namespace kodexa {

namespace {

// A word beyond these is not kept apart: the later steps need one bit a word.
constexpr size_t kMostWords = 32;
// A stem this long is looked for inside longer words too ("kopfschmerz" in
// "Spannungskopfschmerz"); a shorter one would turn up in too many.
constexpr size_t kLeastStemInside = 5;

// The bytes of the blank that begins at p: ASCII white space, the
// non-breaking space, the spaces U+2000 to U+200A, U+202F, U+205F and U+3000.
size_t BlankAt(const std::string& text, size_t p) {
    const auto at = [&text](size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    const unsigned byte = at(p);
    if (byte == ' ' || (byte >= '\t' && byte <= '\r')) return 1;
    if (byte == 0xC2 && at(p + 1) == 0xA0) return 2;
    if (byte == 0xE2 && at(p + 1) == 0x80 && (at(p + 2) <= 0x8A || at(p + 2) == 0xAF) && at(p + 2) >= 0x80) return 3;
    if (byte == 0xE2 && at(p + 1) == 0x81 && at(p + 2) == 0x9F) return 3;
    if (byte == 0xE3 && at(p + 1) == 0x80 && at(p + 2) == 0x80) return 3;
    return 0;
}

// What the tokenising needs to know of each byte of a UTF-8 text: whether
// it belongs to a word, and the LettersOf bit it adds, read as the folding
// and PlainUmlauts read it (A to Z as a to z, the second byte of ä ö ü ß
// and of Ä Ö Ü as a o u s; the lead byte and every other byte from 0x80 on
// belong to the word, bitless). A continuation byte that follows no C3 (a
// stray one, or of a longer sequence) may add a bit too many: it only lets
// a token through to the full test.
// kind packs both, with a bit for a byte that begins a character, so that
// the tokenising needs one look a byte.
struct ByteKinds {
    static constexpr uint32_t kInWord = uint32_t{1} << 31, kBeginsCharacter = uint32_t{1} << 30;
    bool inWord[256];
    uint32_t letter[256];
    uint32_t kind[256];
    ByteKinds() : inWord(), letter(), kind() {
        for (int byte = 0; byte < 256; ++byte) inWord[byte] = byte >= 0x80 || IsWordByte(static_cast<unsigned char>(byte));
        for (int byte = 'a'; byte <= 'z'; ++byte) letter[byte] = letter[byte - 0x20] = uint32_t{1} << (byte - 'a');
        letter[0xA4] = letter[0x84] = letter[int{'a'}];
        letter[0xB6] = letter[0x96] = letter[int{'o'}];
        letter[0xBC] = letter[0x9C] = letter[int{'u'}];
        letter[0x9F] = letter[int{'s'}];
        for (int byte = 0; byte < 256; ++byte)
            kind[byte] = letter[byte] | (inWord[byte] ? kInWord : 0) | ((byte & 0xC0) != 0x80 ? kBeginsCharacter : 0);
    }
};
const ByteKinds kByteKinds;

uint32_t LettersOfText(std::string_view text) {
    uint32_t letters = 0;
    for (char c : text) letters |= kByteKinds.letter[static_cast<unsigned char>(c)];
    return letters;
}

void FoldInto(std::string_view text, std::string& folded) {
    folded.resize(text.size());
    for (size_t p = 0; p < text.size(); ++p) folded[p] = FoldedAt(text.data(), p);
}

// Whether bits has no more than count bits set; count is small.
bool AtMostBits(uint32_t bits, int count) {
    for (int i = 0; i < count && bits != 0; ++i) bits &= bits - 1;
    return bits == 0;
}

// The word without what cannot belong to a word at either end: "mellitus,".
std::string_view WordCore(std::string_view latin1) {
    while (!latin1.empty() && !IsWordByte(static_cast<unsigned char>(latin1.front()))) latin1.remove_prefix(1);
    while (!latin1.empty() && !IsWordByte(static_cast<unsigned char>(latin1.back()))) latin1.remove_suffix(1);
    return latin1;
}

bool IsDiagnosisLetter(const std::string& word) {
    if (word.size() != 1) return false;
    const char letter = static_cast<char>(word[0] >= 'a' && word[0] <= 'z' ? word[0] - 'a' + 'A' : word[0]);
    return IsCertaintyLetter(letter) || IsSideLetter(letter);
}

}  // namespace

std::string NormalisedSearchText(const std::string& typed) {
    const std::string text = IsUtf8(typed) ? typed : FromLatin1(typed);
    std::string normalised;
    normalised.reserve(text.size());
    bool blankPending = false;
    for (size_t p = 0; p < text.size();) {
        if (const size_t blank = BlankAt(text, p)) {
            blankPending = !normalised.empty();
            p += blank;
            continue;
        }
        if (blankPending) normalised += ' ';
        blankPending = false;
        normalised += text[p++];
    }
    return normalised;
}

SearchQuery::SearchQuery(const std::string& typed, SearchScope scope) {
    if (scope == SearchScope::Exact) {
        plain = FoldedNeedle(FoldCase(typed));
        return;
    }
    const std::string text = NormalisedSearchText(typed);
    plain = FoldedNeedle(FoldCase(text));
    ReadWords(text);
    if (words.size() > kMostWords) words.clear();
    for (size_t i = 0; i < words.size(); ++i) {
        anyCode = anyCode || words[i].isCode;
        if (words[i].slips > 0) PrepareSimilar(i);
    }
    alikeByToken.reserve(1 << 15);
}

// Words end at blanks, except inside double quotes; the letters of a
// diagnosis line that follow a code (certainty, then side) are left out.
void SearchQuery::ReadWords(const std::string& text) {
    std::vector<std::pair<std::string, bool>> pieces;  // text, quoted
    std::string current;
    bool quoted = false;
    for (char c : text) {
        if (c == '"' || (c == ' ' && !quoted)) {
            pieces.emplace_back(current, quoted);
            current.clear();
            if (c == '"') quoted = !quoted;
        } else {
            current += c;
        }
    }
    pieces.emplace_back(current, quoted);
    int lettersAfterCode = -1;  // -1: the last word was no code nor its letter
    for (const auto& [piece, phrase] : pieces) {
        const std::string trimmed = NormalisedSearchText(piece);
        if (trimmed.empty()) continue;
        if (!phrase && lettersAfterCode >= 0 && lettersAfterCode < 2 && IsDiagnosisLetter(trimmed)) {
            ++lettersAfterCode;
            continue;
        }
        AddWord(trimmed, phrase);
        lettersAfterCode = words.back().isCode ? 0 : -1;
    }
}

void SearchQuery::AddWord(const std::string& text, bool phrase) {
    Word word;
    word.needle = FoldedNeedle(FoldCase(text));
    word.phrase = phrase;
    word.isCode = !phrase && ReadCodeForm(text, word.form);
    if (!phrase && !word.isCode) {
        std::string latin1;
        LowerLatin1(word.needle.Text(), latin1);
        word.slips = SlipsAllowed(WordCore(latin1).size());
    }
    words.push_back(std::move(word));
}

void SearchQuery::PrepareSimilar(size_t index) {
    if (!stemmer) stemmer = std::make_unique<GermanStemmer>();
    Word& word = words[index];
    std::string latin1;
    LowerLatin1(word.needle.Text(), latin1);
    const std::string core(WordCore(latin1));
    const std::string paired = UmlautsFromPairs(core);
    std::vector<std::string> writings{core};
    if (paired != core) writings.push_back(paired);
    for (const std::string& writing : writings) {
        word.plains.push_back(PlainUmlauts(writing));
        word.stems.push_back(stemmer->Stem(writing));
        const size_t length = word.plains.back().size(), slips = static_cast<size_t>(word.slips);
        spellings.push_back(Spelling{uint32_t{1} << index, LettersOf(word.stems.back()), LettersOf(word.plains.back()),
                                     (length - slips + 1) / 2, length + slips, word.slips});
        // The plain token is never longer than its UTF-8.
        shortestAlike = std::min({shortestAlike, word.stems.back().size(), length - slips});
    }
}

SearchStep SearchQuery::Match(std::string_view text, std::string_view code,
                              std::initializer_list<std::string_view> codes) {
    if (plain.OccursIn(text) || plain.OccursIn(code)) return SearchStep::Plain;
    if (words.empty()) return SearchStep::None;
    uint32_t missing = 0, codeWords = 0, similarWords = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        const Word& word = words[i];
        const uint32_t bit = uint32_t{1} << i;
        if (word.isCode) codeWords |= bit;
        if (word.slips > 0) similarWords |= bit;
        // A word stands for the code only as its beginning: the "2" of "typ 2"
        // is not the last digit of every code.
        if (!word.needle.OccursIn(text) && !word.needle.Begins(code)) missing |= bit;
    }
    if (missing == 0) return SearchStep::AllWords;
    if ((missing & ~similarWords) == 0 && MayAllBeAlike(LettersOfText(text), missing) && SpelledAlike(text, missing))
        return SearchStep::Similar;
    if (anyCode && (missing & ~codeWords) == 0 && MatchesCode(codes)) return SearchStep::Code;
    return SearchStep::None;
}

bool SearchQuery::MatchesCode(std::initializer_list<std::string_view> codes) const {
    for (const Word& word : words) {
        if (!word.isCode) continue;
        for (std::string_view candidate : codes) {
            const std::string& wanted = word.form.code;
            if (!word.form.under && candidate == wanted) return true;
            if (word.form.under && candidate.size() > wanted.size() && candidate.compare(0, wanted.size(), wanted) == 0)
                return true;
        }
    }
    return false;
}

// Word by word of the text, each looked at once per search: the same
// words recur in title after title. A word too short for every rule, or
// lacking letters every rule needs, is passed over unread.
bool SearchQuery::SpelledAlike(std::string_view text, uint32_t missing) {
    const size_t size = text.size();
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t p = 0; missing != 0 && p < size;) {
        while (p < size && !kByteKinds.inWord[bytes[p]]) ++p;
        const size_t start = p;
        uint32_t letters = 0;
        size_t characters = 0;
        for (uint32_t kind; p < size && ((kind = kByteKinds.kind[bytes[p]]) & ByteKinds::kInWord) != 0; ++p) {
            letters |= kind;
            characters += (kind >> 30) & 1;
        }
        letters &= ~(ByteKinds::kInWord | ByteKinds::kBeginsCharacter);
        if (p - start >= shortestAlike && MayBeAlike(letters, characters, missing)) {
            FoldInto(text.substr(start, p - start), foldedToken);
            missing &= ~AlikeWordsOf(foldedToken);
        }
    }
    return missing == 0;
}

// Every rule needs the stem's letters in the token (the stem found in it,
// or the token beginning with it), or else the word's letters less as many
// as it has slips, in a token about as long as the word: its PlainUmlauts
// form has from one to two letters a character.
bool SearchQuery::MayBeAlike(uint32_t tokenLetters, size_t characters, uint32_t missing) const {
    for (const Spelling& spelling : spellings) {
        if ((missing & spelling.wordBit) == 0) continue;
        if ((spelling.stemLetters & ~tokenLetters) == 0) return true;
        const bool aboutAsLong = characters >= spelling.fewestCharacters && characters <= spelling.mostCharacters;
        if (aboutAsLong && AtMostBits(spelling.letters & ~tokenLetters, spelling.slips)) return true;
    }
    return false;
}

// Each missing word must find what MayBeAlike asks in some token, so the
// text as a whole must have its letters.
bool SearchQuery::MayAllBeAlike(uint32_t textLetters, uint32_t missing) const {
    uint32_t may = 0;
    for (const Spelling& spelling : spellings) {
        if ((spelling.stemLetters & ~textLetters) == 0 || AtMostBits(spelling.letters & ~textLetters, spelling.slips))
            may |= spelling.wordBit;
    }
    return (missing & ~may) == 0;
}

// Which words the token (folded UTF-8) stands for: an umlaut written
// otherwise, the word form, the stem inside a compound, or typing slips.
uint32_t SearchQuery::AlikeWordsOf(std::string_view token) {
    const auto known = alikeByToken.find(token);
    if (known != alikeByToken.end()) return known->second;
    LowerLatin1(token, latin1);
    const std::string tokenPlain = PlainUmlauts(latin1);
    std::string tokenStem;
    uint32_t alike = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        const Word& word = words[i];
        for (size_t v = 0; v < word.plains.size(); ++v) {
            const std::string& stem = word.stems[v];
            bool same = tokenPlain.find(word.plains[v]) != std::string::npos ||
                        (stem.size() >= kLeastStemInside && tokenPlain.find(stem) != std::string::npos) ||
                        WithinSlips(word.plains[v], tokenPlain, word.slips);
            // A stem is a beginning of the plain word, so only such tokens need the stemmer.
            if (!same && tokenPlain.compare(0, stem.size(), stem) == 0) {
                if (tokenStem.empty()) tokenStem = stemmer->Stem(latin1);
                same = tokenStem == stem;
            }
            if (same) alike |= uint32_t{1} << i;
        }
    }
    tokens.emplace_back(token);
    alikeByToken.emplace(tokens.back(), alike);
    return alike;
}

}  // namespace kodexa
