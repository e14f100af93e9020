// A folded text looked for in texts that are not folded: the text is folded
// byte by byte as it is compared, never copied, as FoldedAt folds it.
#ifndef KODEXA_CATALOGUE_FOLDED_NEEDLE_H
#define KODEXA_CATALOGUE_FOLDED_NEEDLE_H

#include <cstddef>
#include <string>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "catalogue/search_fold.h"

namespace kodexa {

// An empty needle occurs everywhere, in an empty text too. Most bytes are
// passed over by comparing them, and the byte after them, with the (at most
// two) bytes that fold to the needle's first and second; FoldedAt has the
// last word.
class FoldedNeedle {
public:
    explicit FoldedNeedle(const std::string& folded) : text(folded) {
        if (text.empty()) return;
        first = static_cast<unsigned char>(text[0]);
        other = Unfolded(first);
        if (text.size() < 2) return;
        second = static_cast<unsigned char>(text[1]);
        otherSecond = Unfolded(second);
    }

    const std::string& Text() const { return text; }

    bool Begins(std::string_view haystack) const {
        if (haystack.size() < text.size()) return false;
        for (size_t k = 0; k < text.size(); ++k)
            if (FoldedAt(haystack.data(), k) != text[k]) return false;
        return true;
    }

    bool OccursIn(std::string_view haystack) const {
        if (text.empty()) return true;
        if (haystack.size() < text.size()) return false;
        const char* bytes = haystack.data();
        const size_t size = haystack.size();
        const size_t lastStart = size - text.size();
        for (size_t start = 0; (start = NextCandidate(bytes, start, size)) <= lastStart; ++start) {
            if (FoldedAt(bytes, start) != text[0]) continue;
            size_t k = 1;
            while (k < text.size() && FoldedAt(bytes, start + k) == text[k]) ++k;
            if (k == text.size()) return true;
        }
        return false;
    }

private:
    // The other byte that folds to this folded one, or the byte itself.
    static unsigned char Unfolded(unsigned char folded) {
        if (folded >= 'a' && folded <= 'z') return static_cast<unsigned char>(folded - 'a' + 'A');
        const unsigned char capital = static_cast<unsigned char>(folded - 0x20);
        return IsCapitalUmlautTail(capital) ? capital : folded;
    }

    // The first position from start on whose byte is one of the two (and,
    // in the blocks, whose next byte may fold to the needle's second), or
    // size when there is none; sixteen bytes a step where the processor can.
    size_t NextCandidate(const char* bytes, size_t start, size_t size) const {
#ifdef __SSE2__
        const __m128i wantFirst = _mm_set1_epi8(static_cast<char>(first));
        const __m128i wantOther = _mm_set1_epi8(static_cast<char>(other));
        if (text.size() >= 2) {
            const __m128i wantSecond = _mm_set1_epi8(static_cast<char>(second));
            const __m128i wantOtherSecond = _mm_set1_epi8(static_cast<char>(otherSecond));
            for (; start + 17 <= size; start += 16) {
                const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + start));
                const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + start + 1));
                const __m128i firsts = _mm_or_si128(_mm_cmpeq_epi8(block, wantFirst), _mm_cmpeq_epi8(block, wantOther));
                const __m128i seconds =
                    _mm_or_si128(_mm_cmpeq_epi8(next, wantSecond), _mm_cmpeq_epi8(next, wantOtherSecond));
                const int hits = _mm_movemask_epi8(_mm_and_si128(firsts, seconds));
                if (hits != 0) return start + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
            }
        }
        for (; start + 16 <= size; start += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + start));
            const int hits = _mm_movemask_epi8(
                _mm_or_si128(_mm_cmpeq_epi8(block, wantFirst), _mm_cmpeq_epi8(block, wantOther)));
            if (hits != 0) return start + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
        }
#endif
        for (; start < size; ++start) {
            const unsigned char byte = static_cast<unsigned char>(bytes[start]);
            if (byte == first || byte == other) return start;
        }
        return size;
    }

    std::string text;
    unsigned char first = 0;
    unsigned char other = 0;
    unsigned char second = 0;
    unsigned char otherSecond = 0;
};

}  // namespace kodexa

#endif
