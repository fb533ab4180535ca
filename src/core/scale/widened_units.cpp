#include "scale/widened_units.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <new>

namespace tevpng::detail {
namespace {

constexpr std::ptrdiff_t CacheLineDoubles = 8;

// Slots a whole number of cache lines apart, but not a multiple of 1 KiB: slots that far
// apart would share the few cache sets of one such address and evict each other.
std::ptrdiff_t SlotStep(std::ptrdiff_t unitValues) {
    std::ptrdiff_t step = (unitValues + CacheLineDoubles - 1) / CacheLineDoubles * CacheLineDoubles;
    if (step % 128 == 0) step += CacheLineDoubles;
    return step;
}

}  // namespace

bool WidenedUnits::Allocate(std::int32_t slots, std::ptrdiff_t unitValues, std::int32_t longestList) {
    storage_.reset();
    values_ = nullptr;
    if (slots < 1 || slots > (1 << 30) || unitValues < 1 || longestList < 0) return false;
    slots = static_cast<std::int32_t>(std::bit_ceil(static_cast<std::uint32_t>(slots)));
    step_ = SlotStep(unitValues);
    const std::ptrdiff_t limit =
        std::numeric_limits<std::ptrdiff_t>::max() / static_cast<std::ptrdiff_t>(sizeof(double));
    if (step_ > (limit - CacheLineDoubles) / slots) return false;
    const std::size_t count = static_cast<std::size_t>(step_ * slots + CacheLineDoubles);
    storage_.reset(new (std::nothrow) double[count]);
    held_.reset(new (std::nothrow) std::int32_t[static_cast<std::size_t>(slots)]);
    placed_.reset(new (std::nothrow) Term[static_cast<std::size_t>(longestList) + 1]);
    if (!storage_ || !held_ || !placed_) return false;
    // The values start on a cache line, so that no vector load straddles two lines.
    const auto misalignment = static_cast<std::ptrdiff_t>(reinterpret_cast<std::uintptr_t>(storage_.get()) /
                                                          sizeof(double) % CacheLineDoubles);
    values_ = storage_.get() + (CacheLineDoubles - misalignment) % CacheLineDoubles;
    slots_ = slots;
    slotMask_ = slots - 1;
    Reset(unitValues);
    return true;
}

void WidenedUnits::Reset(std::ptrdiff_t unitValues) {
    unitValues_ = unitValues;
    std::fill_n(held_.get(), slots_, -1);
}

}  // namespace tevpng::detail
