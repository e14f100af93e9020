// Four-byte values that keep the on-disk byte order (least significant byte
// first) also in memory, so structures built from them are read and written
// as raw bytes on any host.
#ifndef KODEXA_STORE_FILE_ADDRESS_H
#define KODEXA_STORE_FILE_ADDRESS_H

#include <cstdint>
#include <type_traits>

namespace kodexa {

template <typename Value>
class LittleEndian32 {
    static_assert(std::is_same<Value, int32_t>::value || std::is_same<Value, uint32_t>::value,
                  "only signed or unsigned 32-bit values");

public:
    LittleEndian32() { Set(0); }
    LittleEndian32(Value v) { Set(v); }  // NOLINT: implicit by design
    template <typename I, typename = std::enable_if_t<std::is_integral<I>::value && sizeof(I) <= 4>>
    LittleEndian32(I v) { Set(Widen(v)); }  // NOLINT
    // A 64-bit value would lose its upper half without a word; callers
    // check the range and narrow explicitly.
    template <typename I, typename = std::enable_if_t<std::is_integral<I>::value && (sizeof(I) > 4)>,
              typename = void>
    LittleEndian32(I v) = delete;
    LittleEndian32(const LittleEndian32&) = default;
    LittleEndian32& operator=(const LittleEndian32&) = default;
    template <typename I, typename = std::enable_if_t<std::is_integral<I>::value && sizeof(I) <= 4>>
    LittleEndian32& operator=(I v) {
        Set(Widen(v));
        return *this;
    }

    Value Get() const {
        uint32_t u = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                     uint32_t(bytes[3]) << 24;
        return static_cast<Value>(u);
    }
    operator Value() const { return Get(); }  // NOLINT

    const unsigned char* Bytes() const { return bytes; }

    LittleEndian32 operator++(int) {
        LittleEndian32 before = *this;
        SetBits(Bits() + 1u);
        return before;
    }
    LittleEndian32 operator--(int) {
        LittleEndian32 before = *this;
        SetBits(Bits() - 1u);
        return before;
    }

    LittleEndian32& operator/=(const LittleEndian32& divisor) { return DivideBy(divisor.Get()); }
    template <typename I, typename = std::enable_if_t<std::is_integral<I>::value && sizeof(I) <= 4>>
    LittleEndian32& operator/=(I divisor) {
        return DivideBy(Widen(divisor));
    }

    // Address arithmetic only makes sense on the signed address type.
    template <typename V = Value, typename = std::enable_if_t<std::is_signed<V>::value>>
    LittleEndian32& operator+=(uint32_t delta) {
        SetBits(Bits() + delta);
        return *this;
    }
    template <typename V = Value, typename = std::enable_if_t<std::is_signed<V>::value>>
    LittleEndian32& operator-=(uint32_t delta) {
        SetBits(Bits() - delta);
        return *this;
    }

    // Sign-extends signed integers and zero-extends unsigned ones to 32 bits,
    // then reads the bits with this type's own signedness.
    template <typename I>
    static Value Widen(I v) {
        using Wide = std::conditional_t<std::is_signed<I>::value, int32_t, uint32_t>;
        return static_cast<Value>(static_cast<Wide>(v));
    }

private:
    uint32_t Bits() const { return static_cast<uint32_t>(Get()); }
    void SetBits(uint32_t u) {
        bytes[0] = static_cast<unsigned char>(u);
        bytes[1] = static_cast<unsigned char>(u >> 8);
        bytes[2] = static_cast<unsigned char>(u >> 16);
        bytes[3] = static_cast<unsigned char>(u >> 24);
    }
    void Set(Value v) { SetBits(static_cast<uint32_t>(v)); }

    LittleEndian32& DivideBy(Value divisor) {
        if (divisor == 0) return *this;
        // INT32_MIN / -1 does not fit; wrap like the other arithmetic does.
        if (std::is_signed<Value>::value && divisor == static_cast<Value>(-1)) {
            SetBits(0u - Bits());
            return *this;
        }
        Set(Get() / divisor);
        return *this;
    }

    unsigned char bytes[4];
};

using FileAddress = LittleEndian32<int32_t>;
using StoredUInt32 = LittleEndian32<uint32_t>;

static_assert(sizeof(FileAddress) == 4 && alignof(FileAddress) == 1, "raw 4-byte layout");
static_assert(sizeof(StoredUInt32) == 4 && alignof(StoredUInt32) == 1, "raw 4-byte layout");

// Integers of up to 32 bits are widened to 32 bits and compared with the
// value's own signedness. Wider integers are compared by their full value:
// cutting a 64-bit address sum down to 32 bits would make a far position
// look like a near one.
template <typename V, typename I>
int CompareValues(V value, I other) {
    if constexpr (sizeof(I) <= sizeof(V)) {
        V widened = LittleEndian32<V>::Widen(other);
        return value < widened ? -1 : value > widened ? 1 : 0;
    } else if constexpr (std::is_signed<I>::value) {
        int64_t wide = value;
        return wide < other ? -1 : wide > other ? 1 : 0;
    } else {
        if (value < 0) return -1;
        uint64_t wide = static_cast<uint64_t>(value);
        return wide < other ? -1 : wide > other ? 1 : 0;
    }
}

#define KODEXA_LE32_COMPARE(op)                                                               \
    template <typename V>                                                                     \
    bool operator op(const LittleEndian32<V>& a, const LittleEndian32<V>& b) {                \
        return a.Get() op b.Get();                                                            \
    }                                                                                         \
    template <typename V, typename I, typename = std::enable_if_t<std::is_integral<I>::value>> \
    bool operator op(const LittleEndian32<V>& a, I b) {                                       \
        return CompareValues(a.Get(), b) op 0;                                                \
    }                                                                                         \
    template <typename V, typename I, typename = std::enable_if_t<std::is_integral<I>::value>> \
    bool operator op(I a, const LittleEndian32<V>& b) {                                       \
        return 0 op CompareValues(b.Get(), a);                                                \
    }
KODEXA_LE32_COMPARE(==)
KODEXA_LE32_COMPARE(!=)
KODEXA_LE32_COMPARE(<)
KODEXA_LE32_COMPARE(>)
KODEXA_LE32_COMPARE(<=)
KODEXA_LE32_COMPARE(>=)
#undef KODEXA_LE32_COMPARE

}  // namespace kodexa

#endif
