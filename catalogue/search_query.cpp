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
// a token through to the full test. A token without a byte from 0x80 on
// has exactly the letters of its plain spelling, and as many characters
// as bytes.
// kind packs both, with a bit for a byte from 0x80 on, so that the
// tokenising needs one look a byte.
struct ByteKinds {
    static constexpr uint32_t kInWord = uint32_t{1} << 31, kHigh = uint32_t{1} << 30;
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
            kind[byte] = letter[byte] | (inWord[byte] ? kInWord : 0) | (byte >= 0x80 ? kHigh : 0);
    }
};
const ByteKinds kByteKinds;

void FoldInto(std::string_view text, std::string& folded) {
    folded.resize(text.size());
    for (size_t p = 0; p < text.size(); ++p) folded[p] = FoldedAt(text.data(), p);
}

// Whether bits has no more than count bits set; count is small.
bool AtMostBits(uint32_t bits, int count) {
    for (int i = 0; i < count; ++i) bits &= bits - 1;
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
        Word& word = words[i];
        anyCode = anyCode || word.isCode;
        if (word.isCode) codeWords |= uint32_t{1} << i;
        if (word.slips > 0) similarWords |= uint32_t{1} << i;
        word.wholeText = word.needle.Text() == plain.Text();
        if (word.slips > 0) PrepareSimilar(i);
    }
    // A word that can only be found as it is decides alone when it is
    // missing, so it is looked for first.
    for (size_t pass = 0; pass < 2; ++pass)
        for (size_t i = 0; i < words.size(); ++i)
            if ((words[i].slips == 0 && !words[i].isCode) == (pass == 0)) wordOrder.push_back(i);
    // The whole text holds every word: a text without the one looked for
    // first cannot hold it, nor need it be searched for it.
    if (!wordOrder.empty()) {
        const Word& first = words[wordOrder.front()];
        if (!first.wholeText && plain.Text().find(first.needle.Text()) != std::string::npos)
            gate = static_cast<int>(wordOrder.front());
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
        const std::string& stem = word.stems.back();
        const std::string& plainWord = word.plains.back();
        const size_t length = plainWord.size(), slips = static_cast<size_t>(word.slips);
        const bool stemBegins = plainWord.compare(0, stem.size(), stem) == 0;
        spellings.push_back(Spelling{uint32_t{1} << index, LettersOf(stem), LettersOf(plainWord),
                                     (length - slips + 1) / 2, length + slips, word.slips,
                                     std::min(stem.size(), length), stemBegins ? stem : std::string(), length});
        // The plain token is never longer than its UTF-8.
        shortestAlike = std::min({shortestAlike, word.stems.back().size(), length - slips});
    }
    PrepareMarks(word);
}

// A token spelled alike holds the stem (which begins the plain word), or is
// the plain word with at most as many slips as allowed. Cut into one piece
// more than it has slips, one letter left out between them, the word keeps at
// least one piece whole: no slip, not even two neighbours swapped, reaches
// into two pieces.
void SearchQuery::PrepareMarks(Word& word) const {
    std::vector<std::string> marks;
    const size_t pieces = static_cast<size_t>(word.slips) + 1;
    for (size_t v = 0; v < word.plains.size(); ++v) {
        const std::string& plainWord = word.plains[v];
        const std::string& stem = word.stems[v];
        // A piece of one letter is in nearly every text.
        if (plainWord.compare(0, stem.size(), stem) != 0 || plainWord.size() < 3 * pieces - 1) return;
        marks.emplace_back(stem);
        const size_t letters = plainWord.size() - (pieces - 1);
        for (size_t k = 0, at = 0; k < pieces; ++k) {
            const size_t length = letters / pieces + (k < letters % pieces ? 1 : 0);
            marks.emplace_back(plainWord.substr(at, length));
            at += length + 1;
        }
    }
    // A mark holding another adds nothing: a text with it has the other.
    std::sort(marks.begin(), marks.end());
    marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
    for (const std::string& mark : marks) {
        const auto inside = [&mark](const std::string& other) {
            return other != mark && mark.find(other) != std::string::npos;
        };
        if (std::any_of(marks.begin(), marks.end(), inside)) continue;
        word.marks.emplace_back(mark);
        if (!word.marks.back().Usable()) {
            word.marks.clear();
            return;
        }
    }
}

// Whether every missing word has one of its marks in the text.
bool SearchQuery::MayHoldAlike(std::string_view text, uint32_t missing) const {
    for (size_t i = 0; i < words.size(); ++i) {
        const Word& word = words[i];
        if ((missing & (uint32_t{1} << i)) == 0 || word.marks.empty()) continue;
        bool held = false;
        for (const PlainNeedle& mark : word.marks)
            if ((held = mark.OccursIn(text))) break;
        if (!held) return false;
    }
    return true;
}

SearchStep SearchQuery::Match(std::string_view text, std::string_view code,
                              std::initializer_list<std::string_view> codes) {
    const bool gateInText = gate < 0 || words[static_cast<size_t>(gate)].needle.OccursIn(text);
    if ((gateInText && plain.OccursIn(text)) || plain.OccursIn(code)) return SearchStep::Plain;
    if (words.empty()) return SearchStep::None;
    uint32_t missing = 0;
    for (size_t i : wordOrder) {
        const Word& word = words[i];
        const uint32_t bit = uint32_t{1} << i;
        // A word stands for the code only as its beginning: the "2" of "typ 2"
        // is not the last digit of every code.
        if (!word.wholeText &&
            ((static_cast<int>(i) == gate ? gateInText : word.needle.OccursIn(text)) || word.needle.Begins(code)))
            continue;
        missing |= bit;
        if ((bit & (similarWords | codeWords)) == 0) return SearchStep::None;
    }
    if (missing == 0) return SearchStep::AllWords;
    if ((missing & ~similarWords) == 0 && MayHoldAlike(text, missing) && SpelledAlike(text, missing))
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
        for (uint32_t kind; p < size && ((kind = kByteKinds.kind[bytes[p]]) & ByteKinds::kInWord) != 0; ++p)
            letters |= kind;
        const size_t length = p - start;
        if (length < shortestAlike) continue;
        const bool ascii = (letters & ByteKinds::kHigh) == 0;
        letters &= ~(ByteKinds::kInWord | ByteKinds::kHigh);
        size_t characters = length;
        if (!ascii)
            for (size_t k = start; k < p; ++k) characters -= (bytes[k] & 0xC0) == 0x80;
        if (!MayBeAlike(letters, length, characters, ascii, missing)) continue;
        FoldInto(text.substr(start, length), foldedToken);
        if (ascii && !AsciiMayBeAlike(foldedToken, missing)) continue;
        missing &= ~AlikeWordsOf(foldedToken);
    }
    return missing == 0;
}

// Every rule needs the stem's letters in the token (the stem found in it,
// or the token beginning with it), or else the word's letters less as many
// as it has slips, in a token about as long as the word: its PlainUmlauts
// form has from one to two letters a character, and never more than the
// token's bytes. Each slip brings at most one letter the word lacks, too,
// which only an ASCII token's letters tell for certain.
bool SearchQuery::MayBeAlike(uint32_t tokenLetters, size_t bytes, size_t characters, bool ascii,
                             uint32_t missing) const {
    for (const Spelling& spelling : spellings) {
        if ((missing & spelling.wordBit) == 0) continue;
        if ((spelling.stemLetters & ~tokenLetters) == 0 && bytes >= spelling.leastBytes) return true;
        const size_t slips = static_cast<size_t>(spelling.slips);
        const bool aboutAsLong = ascii ? bytes + slips >= spelling.plainSize && bytes <= spelling.plainSize + slips
                                       : characters >= spelling.fewestCharacters && characters <= spelling.mostCharacters;
        if (!aboutAsLong || !AtMostBits(spelling.letters & ~tokenLetters, spelling.slips)) continue;
        if (!ascii || AtMostBits(tokenLetters & ~spelling.letters, spelling.slips)) return true;
    }
    return false;
}

// An ASCII token is its own plain spelling: one that holds no stem (each
// rule but the slips needs it, the stem beginning the plain word) must be
// about as long as the word.
bool SearchQuery::AsciiMayBeAlike(std::string_view folded, uint32_t missing) const {
    for (const Spelling& spelling : spellings) {
        if ((missing & spelling.wordBit) == 0) continue;
        if (spelling.stem.empty() || folded.find(spelling.stem) != std::string_view::npos) return true;
        const size_t slips = static_cast<size_t>(spelling.slips);
        if (folded.size() + slips >= spelling.plainSize && folded.size() <= spelling.plainSize + slips) return true;
    }
    return false;
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
