#include "catalogue/word_similarity.h"

#include <libstemmer.h>

#include <algorithm>
#include <vector>

namespace kodexa {

namespace {

constexpr unsigned char kSmallAUmlaut = 0xE4, kSmallOUmlaut = 0xF6, kSmallUUmlaut = 0xFC, kSharpS = 0xDF;

unsigned char LowerLatin1Byte(unsigned char byte) {
    if (byte >= 'A' && byte <= 'Z') return static_cast<unsigned char>(byte + 0x20);
    if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) return static_cast<unsigned char>(byte + 0x20);
    return byte;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

void LowerLatin1(std::string_view utf8, std::string& latin1) {
    latin1.clear();
    for (size_t p = 0; p < utf8.size();) {
        const unsigned char byte = static_cast<unsigned char>(utf8[p]);
        if (byte < 0x80) {
            latin1 += static_cast<char>(LowerLatin1Byte(byte));
            ++p;
            continue;
        }
        const bool twoBytes = (byte == 0xC2 || byte == 0xC3) && p + 1 < utf8.size() &&
                              IsContinuation(static_cast<unsigned char>(utf8[p + 1]));
        if (twoBytes) {
            const unsigned char tail = static_cast<unsigned char>(utf8[p + 1]);
            latin1 += static_cast<char>(LowerLatin1Byte(static_cast<unsigned char>(((byte & 0x03) << 6) | (tail & 0x3F))));
            p += 2;
            continue;
        }
        latin1 += '?';
        ++p;
        while (p < utf8.size() && IsContinuation(static_cast<unsigned char>(utf8[p]))) ++p;
    }
}

uint32_t LettersOf(std::string_view latin1) {
    uint32_t letters = 0;
    for (char c : latin1)
        if (c >= 'a' && c <= 'z') letters |= uint32_t{1} << (c - 'a');
    return letters;
}

std::string PlainUmlauts(std::string_view latin1) {
    std::string plain;
    plain.reserve(latin1.size() + 2);
    for (char c : latin1) {
        switch (static_cast<unsigned char>(c)) {
            case kSmallAUmlaut: plain += 'a'; break;
            case kSmallOUmlaut: plain += 'o'; break;
            case kSmallUUmlaut: plain += 'u'; break;
            case kSharpS: plain += "ss"; break;
            default: plain += c;
        }
    }
    return plain;
}

std::string UmlautsFromPairs(std::string_view latin1) {
    std::string spelled;
    spelled.reserve(latin1.size());
    for (size_t p = 0; p < latin1.size(); ++p) {
        const char c = latin1[p];
        if (p + 1 < latin1.size() && latin1[p + 1] == 'e' && (c == 'a' || c == 'o' || c == 'u')) {
            spelled += static_cast<char>(c == 'a' ? kSmallAUmlaut : c == 'o' ? kSmallOUmlaut : kSmallUUmlaut);
            ++p;
        } else {
            spelled += c;
        }
    }
    return spelled;
}

int SlipsAllowed(size_t letters) {
    if (letters < 5) return 0;
    return letters <= 8 ? 1 : 2;
}

// The optimal string alignment distance, cut short as soon as every cell
// of a row exceeds the limit.
bool WithinSlips(std::string_view a, std::string_view b, int limit) {
    const size_t sizeA = a.size(), sizeB = b.size();
    if (sizeA > sizeB + static_cast<size_t>(limit) || sizeB > sizeA + static_cast<size_t>(limit)) return false;
    std::vector<int> before(sizeB + 1), previous(sizeB + 1), current(sizeB + 1);
    for (size_t j = 0; j <= sizeB; ++j) previous[j] = static_cast<int>(j);
    for (size_t i = 1; i <= sizeA; ++i) {
        current[0] = static_cast<int>(i);
        int rowLeast = current[0];
        for (size_t j = 1; j <= sizeB; ++j) {
            const int change = a[i - 1] == b[j - 1] ? 0 : 1;
            int cost = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) cost = std::min(cost, before[j - 2] + 1);
            current[j] = cost;
            rowLeast = std::min(rowLeast, cost);
        }
        if (rowLeast > limit) return false;
        before.swap(previous);
        previous.swap(current);
    }
    return previous[sizeB] <= limit;
}

GermanStemmer::GermanStemmer() : stemmer(sb_stemmer_new("german", "ISO_8859_1")) {}

GermanStemmer::~GermanStemmer() {
    if (stemmer != nullptr) sb_stemmer_delete(stemmer);
}

std::string GermanStemmer::Stem(std::string_view latin1) const {
    if (stemmer == nullptr) return PlainUmlauts(latin1);
    const sb_symbol* stem =
        sb_stemmer_stem(stemmer, reinterpret_cast<const sb_symbol*>(latin1.data()), static_cast<int>(latin1.size()));
    if (stem == nullptr) return PlainUmlauts(latin1);
    return std::string(reinterpret_cast<const char*>(stem), static_cast<size_t>(sb_stemmer_length(stemmer)));
}

}  // namespace kodexa
