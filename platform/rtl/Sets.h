// Sets.h - vcl::Set<E>: a set of the values of an enumeration.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

#include "Exceptions.h"

namespace vcl {

// A set of up to 64 enumeration values, stored as a bit mask in which bit n
// stands for the value with ordinal n.
template <class E>
class Set {
    static_assert(std::is_enum_v<E>, "Set<E> needs an enumeration");

public:
    using Element = E;

    constexpr Set() = default;
    constexpr Set(std::initializer_list<E> Values) {
        for (E v : Values) FBits |= Bit(v);
    }

    static constexpr Set FromBits(uint64_t Bits) {
        Set s;
        s.FBits = Bits;
        return s;
    }
    constexpr uint64_t Bits() const { return FBits; }

    constexpr bool Contains(E Value) const { return (FBits & Bit(Value)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    Set& Include(E Value) {
        FBits |= Bit(Value);
        return *this;
    }
    Set& Exclude(E Value) {
        FBits &= ~Bit(Value);
        return *this;
    }

    constexpr Set operator+(Set Other) const { return FromBits(FBits | Other.FBits); }
    constexpr Set operator-(Set Other) const { return FromBits(FBits & ~Other.FBits); }
    constexpr Set operator*(Set Other) const { return FromBits(FBits & Other.FBits); }
    Set& operator+=(Set Other) {
        FBits |= Other.FBits;
        return *this;
    }
    Set& operator-=(Set Other) {
        FBits &= ~Other.FBits;
        return *this;
    }
    Set& operator*=(Set Other) {
        FBits &= Other.FBits;
        return *this;
    }
    constexpr bool operator==(const Set&) const = default;
    // Subset test, as "<=" of the original sets.
    constexpr bool operator<=(Set Other) const { return (FBits & ~Other.FBits) == 0; }

private:
    static constexpr uint64_t Bit(E Value) {
        const auto n = static_cast<std::underlying_type_t<E>>(Value);
        if (n < 0 || n >= 64) throw ERangeError("Set element out of range");
        return uint64_t{1} << n;
    }
    uint64_t FBits = 0;
};

template <class T>
struct IsSet : std::false_type {};
template <class E>
struct IsSet<Set<E>> : std::true_type {};

}  // namespace vcl
