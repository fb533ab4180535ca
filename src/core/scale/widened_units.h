#pragma once

// Source units (one column of a transposed strip, or one intermediate row) widened to
// double for the kernels. Unit u lives in slot u mod slots, so a unit is widened once
// while the contributor lists that use it pass by; as long as there are at least as
// many slots as the indices of one list span, all units of that list are present at
// the same time. The number of slots is a power of two, so that finding a slot is
// not a division.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "scale/contributor.h"
#include "scale/weighted_sum.h"

namespace tevpng::detail {

class WidenedUnits {
public:
    // At least `slots` slots of `unitValues` values. False when they cannot be allocated.
    bool Allocate(std::int32_t slots, std::ptrdiff_t unitValues, std::int32_t longestList);

    // Forgets every unit: the bytes behind them change, or their length does (at most
    // the length given to Allocate).
    void Reset(std::ptrdiff_t unitValues);

    // The terms of `list`: the widened values of each contributor's unit, and its weight.
    // The units missing are widened first from unitBytes(index), unitValues bytes each.
    // Valid until the next call.
    template <class UnitBytes>
    const Term* Place(const Contributor* list, std::int32_t length, WidenKernel widen, UnitBytes unitBytes) {
        for (std::int32_t k = 0; k < length; ++k) {
            const std::int32_t unit = list[k].index;
            const std::int32_t slot = unit & slotMask_;
            if (held_[slot] != unit) {
                widen(unitBytes(unit), unitValues_, values_ + slot * step_);
                held_[slot] = unit;
            }
            placed_[k] = {values_ + slot * step_, list[k].weight};
        }
        return placed_.get();
    }

private:
    std::unique_ptr<double[]> storage_;
    double* values_ = nullptr;  // storage_ aligned to a cache line
    std::ptrdiff_t step_ = 0;
    std::ptrdiff_t unitValues_ = 0;
    std::int32_t slots_ = 0;
    std::int32_t slotMask_ = 0;
    std::unique_ptr<std::int32_t[]> held_;  // the unit in each slot, -1 for none
    std::unique_ptr<Term[]> placed_;
};

}  // namespace tevpng::detail
