// A piece of a word in its plain spelling (lower case ASCII, umlauts as
// a o u, ß as ss) looked for in a UTF-8 text read the same way, without
// making the text plain: the cheap test whether a text can hold a word
// spelled alike before its words are read one by one.
#ifndef KODEXA_CATALOGUE_PLAIN_NEEDLE_H
#define KODEXA_CATALOGUE_PLAIN_NEEDLE_H

#include <cstddef>
#include <string>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kodexa {

// OccursIn answers as PlainUmlauts(LowerLatin1(text)).find(needle) would.
// A needle with anything but a to z and 0 to 9 is not Usable.
class PlainNeedle {
public:
    explicit PlainNeedle(std::string needle) : text(std::move(needle)) {
        for (char c : text) usable = usable && ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'));
        if (!usable || text.empty()) return;
        const unsigned char first = static_cast<unsigned char>(text[0]);
        wanted[0] = first;
        wanted[1] = first >= 'a' && first <= 'z' ? static_cast<unsigned char>(first - 'a' + 'A') : first;
        wanted[2] = wanted[3] = wanted[0];
        if (first == 'a') wanted[2] = 0xA4, wanted[3] = 0x84;
        if (first == 'o') wanted[2] = 0xB6, wanted[3] = 0x96;
        if (first == 'u') wanted[2] = 0xBC, wanted[3] = 0x9C;
        if (first == 's') wanted[2] = wanted[3] = 0x9F;
        // The byte after a candidate begins the needle's second letter;
        // not so after ß, whose second s may be that letter.
        if (text.size() < 2 || first == 's') return;
        const unsigned char second = static_cast<unsigned char>(text[1]);
        next[0] = second;
        next[1] = second >= 'a' && second <= 'z' ? static_cast<unsigned char>(second - 'a' + 'A') : second;
        next[2] = second == 'a' || second == 'o' || second == 'u' || second == 's' ? 0xC3 : second;
        byNext = true;
    }

    bool Usable() const { return usable; }

    bool OccursIn(std::string_view haystack) const {
        if (text.empty()) return true;
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(haystack.data());
        const size_t size = haystack.size();
        for (size_t p = 0; (p = NextCandidate(bytes, p, size)) < size; ++p) {
            if (bytes[p] < 0x80) {
                if (MatchesAt(bytes, size, p, false)) return true;
            } else if (p > 0 && bytes[p - 1] == 0xC3) {
                // The candidate is the second byte of an umlaut or ß; with
                // ß the needle may begin with either of its two s.
                if (MatchesAt(bytes, size, p - 1, false)) return true;
                if (bytes[p] == 0x9F && MatchesAt(bytes, size, p - 1, true)) return true;
            }
        }
        return false;
    }

private:
    // The plain letter of the second byte of C3 xx, 's' for ß, or 0.
    static char PlainTail(unsigned char tail) {
        if (tail == 0xA4 || tail == 0x84) return 'a';
        if (tail == 0xB6 || tail == 0x96) return 'o';
        if (tail == 0xBC || tail == 0x9C) return 'u';
        return tail == 0x9F ? 's' : 0;
    }

    // Whether the text read plain from the character at q on begins with
    // the needle; secondS: from the second s of the ß at q.
    bool MatchesAt(const unsigned char* bytes, size_t size, size_t q, bool secondS) const {
        size_t i = 0;
        if (secondS) i = 1, q += 2;
        while (i < text.size()) {
            if (q >= size) return false;
            const unsigned char byte = bytes[q];
            if (byte < 0x80) {
                const char lower = static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte);
                if (lower != text[i]) return false;
                ++i, ++q;
                continue;
            }
            if (byte != 0xC3 || q + 1 >= size) return false;
            const unsigned char tail = bytes[q + 1];
            const char plain = PlainTail(tail);
            if (plain == 0 || text[i] != plain) return false;
            ++i;
            if (tail == 0x9F && i < text.size() && text[i++] != 's') return false;
            q += 2;
        }
        return true;
    }

    // The first position from start on whose byte is one of the wanted, or
    // size when there is none; sixteen bytes a step where the processor can.
    size_t NextCandidate(const unsigned char* bytes, size_t start, size_t size) const {
#ifdef __SSE2__
        const __m128i w0 = _mm_set1_epi8(static_cast<char>(wanted[0]));
        const __m128i w1 = _mm_set1_epi8(static_cast<char>(wanted[1]));
        const __m128i w2 = _mm_set1_epi8(static_cast<char>(wanted[2]));
        const __m128i w3 = _mm_set1_epi8(static_cast<char>(wanted[3]));
        const auto firstsAt = [&](size_t at) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
            return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, w0), _mm_cmpeq_epi8(block, w1)),
                                _mm_or_si128(_mm_cmpeq_epi8(block, w2), _mm_cmpeq_epi8(block, w3)));
        };
        // The last block may overlap the one before: its hits before start
        // are dropped.
        const auto fromStart = [&](int mask, size_t at) {
            return start > at ? mask & ~((1 << (start - at)) - 1) : mask;
        };
        if (byNext && size >= 17) {
            const __m128i n0 = _mm_set1_epi8(static_cast<char>(next[0]));
            const __m128i n1 = _mm_set1_epi8(static_cast<char>(next[1]));
            const __m128i n2 = _mm_set1_epi8(static_cast<char>(next[2]));
            const auto hitsAt = [&](size_t at) {
                const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at + 1));
                const __m128i seconds = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(after, n0), _mm_cmpeq_epi8(after, n1)),
                                                     _mm_cmpeq_epi8(after, n2));
                return _mm_movemask_epi8(_mm_and_si128(firstsAt(at), seconds));
            };
            for (; start + 17 <= size; start += 16) {
                const int mask = hitsAt(start);
                if (mask != 0) return start + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
            }
            // A needle of two letters or more cannot begin at the last byte.
            const size_t at = size - 17;
            const int mask = fromStart(hitsAt(at), at);
            return mask != 0 ? at + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask))) : size;
        }
        if (size >= 16) {
            for (; start + 16 <= size; start += 16) {
                const int mask = _mm_movemask_epi8(firstsAt(start));
                if (mask != 0) return start + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
            }
            const size_t at = size - 16;
            const int mask = fromStart(_mm_movemask_epi8(firstsAt(at)), at);
            return mask != 0 ? at + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask))) : size;
        }
#endif
        for (; start < size; ++start) {
            const unsigned char byte = bytes[start];
            if (byte == wanted[0] || byte == wanted[1] || byte == wanted[2] || byte == wanted[3]) return start;
        }
        return size;
    }

    std::string text;
    bool usable = true;
    unsigned char wanted[4] = {0, 0, 0, 0};
    unsigned char next[3] = {0, 0, 0};
    bool byNext = false;
};

}  // namespace kodexa

#endif
