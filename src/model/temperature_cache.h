// The terms of a reactor that depend on its stored temperature alone, kept
// per thread for the temperatures met last.
#pragma once

#include "numeric/extended.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace kaskad {

// Holds Terms for up to Slots temperatures, each in the slot its single's
// bits pick, a newer temperature taking the place of an older one. The
// terms of a temperature are the same in every run and every reactor that
// reaches it, so a study that does not vary t or dtr forms them once per
// reactor position. One cache per thread (thread_local): no locks. Terms
// must be formed without raising, or raise before anything is kept.
template <class Terms, std::size_t Slots>
class TemperatureCache {
    static_assert(std::has_single_bit(Slots));

public:
    // The terms at t, formed by form(t) unless they are held.
    template <class Form>
    const Terms& at(Single t, const Form& form)
    {
        const auto bits = std::bit_cast<std::uint32_t>(t.value());
        Slot& slot = slots_[slotOf(bits)];
        if (!slot.held || slot.bits != bits) {
            slot.terms = form(t);
            slot.bits = bits;
            slot.held = true;
        }
        return slot.terms;
    }

private:
    struct Slot {
        Terms terms{};
        std::uint32_t bits = 0;
        bool held = false;
    };

    // Fibonacci hashing: the temperatures of a series, a fixed step apart,
    // spread over the slots.
    static std::size_t slotOf(std::uint32_t bits)
    {
        return static_cast<std::size_t>((bits * 2654435769u) >> (32 - std::countr_zero(Slots)));
    }

    std::array<Slot, Slots> slots_{};
};

} // namespace kaskad
