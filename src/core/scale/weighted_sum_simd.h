#pragma once

// The loops every vector kernel shares, written once over an instruction-set type `Isa`:
//
//   using Vector;                        `Lanes` doubles
//   static constexpr int Lanes;
//   static Vector Zero();
//   static Vector Broadcast(double weight);
//   static Vector Step(Vector accumulator, const double* values, Vector weight);
//                                        one Accumulate on each lane
//   static void StoreBytes(Vector accumulator, std::uint8_t* out);
//                                        AccumulatorToByte on each lane
//   static void StoreBytes4(const Vector* accumulators, std::uint8_t* out);
//                                        the same for four vectors at once
//
// Only weighted_sum_sse2.cpp, _avx2.cpp and _avx512.cpp include this, each compiled
// for its own instruction set. Everything here is in an anonymous namespace so that
// each of them gets its own copy: a shared (inline, external) copy could be the one
// compiled for AVX-512 and end up called on a processor without it. For the same
// reason those files call nothing inline from other headers.

#include <cstddef>
#include <cstdint>

#include "scale/weighted_sum.h"

namespace tevpng::detail {
namespace {

// Accumulators kept in double and rounded to float precision by Veltkamp's split: a
// multiply and two subtractions, which keep the arithmetic units busier than the two
// conversions there and back would (a fifth more steps per second measured on AMD Zen 4).
//
// With C = 2^29 + 1, t = s x C and hi = t - (t - s) (each rounded to nearest even),
// hi is s rounded to 53 - 29 = 24 significant bits, to nearest with ties to even: for
// s in [1, 2), s x 2^29 lies on the grid of t (steps of 2^-23), so t is s x 2^29 plus
// s rounded to that grid, which is float precision; at a tie the significand of s is
// even, so t is even exactly when that rounding is; and t - s then rounds back to
// s x 2^29 exactly, leaving the rounded s. That is the float rounding of s while s lies
// in the normal float range and s x C does not overflow.
//
// Every sum stays in the normal float range when each weight lies in [2^-100, 2^64]
// in magnitude and a list is shorter than 2^30: all values are then multiples of
// 2^-123 (a weight's last place), so none is a float subnormal, and all stay below
// 2^102, far from overflow. Other lists take the kernels that convert.
constexpr double SplitFactor = 0x1p29 + 1.0;

// ByteConversion, how the kernels do AccumulatorToByte: min(255, acc) in that order
// keeps NaN (min returns its second operand then); the conversion to int32 rounds to
// nearest even and makes NaN and anything below -2^31 the most negative int32; the
// saturating packs down to 16 bits and then to unsigned bytes clamp the rest to 0..255.

inline bool FitsDoubleAccumulators(const Term* terms, std::int32_t length) {
    if (length >= (1 << 30)) return false;
    for (std::int32_t k = 0; k < length; ++k) {
        const double magnitude = terms[k].weight < 0.0 ? -terms[k].weight : terms[k].weight;
        if (!(magnitude >= 0x1p-100 && magnitude <= 0x1p64)) return false;
    }
    return true;
}

// `Vectors` x `Lanes` sums side by side: enough independent accumulators to keep the
// arithmetic units busy while each step waits for the one before it on its lane.
// The sums from value `first` on.
template <class Isa, int Vectors>
void SumBlock(const Term* terms, std::int32_t length, std::ptrdiff_t first, std::uint8_t* out) {
    typename Isa::Vector accumulators[Vectors];
#pragma GCC unroll 16
    for (int q = 0; q < Vectors; ++q) accumulators[q] = Isa::Zero();
    for (std::int32_t k = 0; k < length; ++k) {
        const typename Isa::Vector weight = Isa::Broadcast(terms[k].weight);
        const double* values = terms[k].values + first;
#pragma GCC unroll 16
        for (int q = 0; q < Vectors; ++q) {
            accumulators[q] = Isa::Step(accumulators[q], values + q * Isa::Lanes, weight);
        }
    }
    constexpr int Grouped = Vectors / 4 * 4;
    for (int q = 0; q < Grouped; q += 4) Isa::StoreBytes4(accumulators + q, out + q * Isa::Lanes);
    for (int q = Grouped; q < Vectors; ++q) Isa::StoreBytes(accumulators[q], out + q * Isa::Lanes);
}

// Blocks of `Large` vectors, then of `Small` ones (0 for none), then single vectors;
// the scalar kernel takes the last values.
template <class Isa, int Large, int Small>
void WeightedSumBlocks(const Term* terms, std::int32_t length, std::ptrdiff_t count, std::uint8_t* out) {
    constexpr int Lanes = Isa::Lanes;
    std::ptrdiff_t v = 0;
    for (; v + Large * Lanes <= count; v += Large * Lanes) SumBlock<Isa, Large>(terms, length, v, out + v);
    if constexpr (Small > 0) {
        for (; v + Small * Lanes <= count; v += Small * Lanes)
            SumBlock<Isa, Small>(terms, length, v, out + v);
    }
    for (; v + Lanes <= count; v += Lanes) SumBlock<Isa, 1>(terms, length, v, out + v);
    if (v < count) WeightedSumScalarFrom(v, terms, length, count, out);
}

// 32-bit x86 has 8 vector registers, 64-bit x86 16 (32 with AVX-512): the kernels
// take blocks that keep every accumulator in a register (measured with the upper
// registers held back on a 64-bit build).
#if defined(__x86_64__)
constexpr bool WideRegisterFile = true;
#else
constexpr bool WideRegisterFile = false;
#endif

}  // namespace
}  // namespace tevpng::detail
