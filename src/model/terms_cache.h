// The terms of a reactor that depend on a few stored inputs alone (its
// temperature and pressure, the air velocity), kept per thread for the
// inputs met last.
#pragma once

#include "numeric/extended.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace kaskad {

// The bits of stored singles, as a key.
template <std::size_t Inputs>
using InputBits = std::array<std::uint32_t, Inputs>;

inline std::uint32_t bitsOf(Single value) { return std::bit_cast<std::uint32_t>(value.value()); }

// Holds Terms for up to Slots keys, in sets of two slots picked by the key's
// bits; a new key takes the place of the one its set used less recently.
// Terms formed from the same stored inputs are the same in every run and
// reactor that reaches them, so a study that leaves those inputs fixed forms
// them once per reactor position. One cache per thread (thread_local): no
// locks. Forming the terms must raise nothing, or raise before anything is
// kept.
template <class Terms, std::size_t Inputs, std::size_t Slots>
class TermsCache {
    static_assert(std::has_single_bit(Slots) && Slots >= 2);

public:
    using Key = InputBits<Inputs>;

    // The terms of key, formed by form() unless they are held.
    template <class Form>
    const Terms& at(const Key& key, const Form& form)
    {
        const std::size_t set = setOf(key);
        Slot* const ways = &slots_[2 * set];
        for (std::size_t way = 0; way < 2; ++way)
            if (ways[way].held && sameKey(ways[way].key, key)) {
                lessRecent_[set] = static_cast<std::uint8_t>(1 - way);
                return ways[way].terms;
            }
        const std::size_t way = lessRecent_[set];
        ways[way].terms = form();
        ways[way].key = key;
        ways[way].held = true;
        lessRecent_[set] = static_cast<std::uint8_t>(1 - way);
        return ways[way].terms;
    }

private:
    struct Slot {
        Terms terms{};
        Key key{};
        bool held = false;
    };
    static constexpr std::size_t kSets = Slots / 2;

    // Compared word by word in registers: std::array's == calls memcmp.
    static bool sameKey(const Key& a, const Key& b)
    {
        bool same = true;
        for (std::size_t i = 0; i < Inputs; ++i)
            same &= a[i] == b[i];
        return same;
    }

    // Fibonacci hashing of the bits: the temperatures of a series, a fixed
    // step apart, spread over the sets.
    static std::size_t setOf(const Key& key)
    {
        std::uint64_t mixed = 0;
        for (const std::uint32_t bits : key)
            mixed = (mixed ^ bits) * 0x9E3779B97F4A7C15ULL;
        return kSets == 1 ? 0 : static_cast<std::size_t>(mixed >> (64 - std::countr_zero(kSets)));
    }

    std::array<Slot, Slots> slots_{};
    std::array<std::uint8_t, kSets> lessRecent_{}; // per set, the way to replace next
};

// The stores of a group of formulas made ahead of the reactor that stores
// their values: each value kept with the error of its store, and the group's
// first error kept, for the reactor to raise where it makes those stores.
class StoresAhead {
public:
    Kept<Single> keepSingle(Ext x) { return noted(kaskad::keepSingle(x)); }
    Kept<Double> keepDouble(Ext x) { return noted(kaskad::keepDouble(x)); }
    Fault firstError() const { return firstError_; }

    // A value kept earlier, taken as the group's next store.
    template <class Width>
    Kept<Width> noted(Kept<Width> kept)
    {
        if (firstError_ == Fault::none && !kept.isStored())
            firstError_ = kept.fault();
        return kept;
    }

private:
    Fault firstError_ = Fault::none;
};

// Raises a group's first error, if it had one.
inline void raiseFirstError(Fault error)
{
    if (error != Fault::none)
        raiseFault(error);
}

} // namespace kaskad
