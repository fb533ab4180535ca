#include "scale/exact_sine.h"

#include <bit>
#include <cstdint>
#include <limits>

namespace tevpng::detail {
namespace {

// pi = PiSignificand x 2^-62: the 64-bit significand of pi, rounded to nearest.
constexpr std::uint64_t PiSignificand = 0xC90FDAA22168C235u;

// pi/2 as three parts: the first two have 29 significant bits, so n x part is exact
// for |n| < 2^24, and the subtraction in Cody-Waite reduction loses nothing.
constexpr double HalfPi1 = 0x1.921fb54000000p+0;
constexpr double HalfPi2 = 0x1.10b4611000000p-30;
constexpr double HalfPi3 = 0x1.4c4c6628b80dcp-59;
constexpr double HalfPi = 0x1.921fb54442d18p+0;
constexpr double TwoOverPi = 0x1.45f306dc9c883p-1;

// The first 320 bits of 2/pi after the binary point, for reducing large arguments.
constexpr std::uint64_t TwoOverPiBits[5] = {0xA2F9836E4E441529u, 0xFC2757D1F534DDC0u, 0xDB6295993C439041u,
                                            0xFE5163ABDEBBC561u, 0xB7246E3A424DD2E0u};

struct U128 {
    std::uint64_t hi;
    std::uint64_t lo;
};

// Full product of a 64-bit and a 32-bit value (the result has at most 96 bits).
U128 Multiply64By32(std::uint64_t a, std::uint32_t b) {
    const std::uint64_t low = (a & 0xFFFFFFFFu) * b;
    const std::uint64_t high = (a >> 32) * b;
    const std::uint64_t lo = low + (high << 32);
    const std::uint64_t carry = lo < low ? 1 : 0;
    return {(high >> 32) + carry, lo};
}

// Shifts right by 0 < shift < 64, rounding to nearest with ties to even.
U128 ShiftRightRounded(U128 v, int shift) {
    const std::uint64_t mask = (std::uint64_t{1} << shift) - 1;
    const std::uint64_t rest = v.lo & mask;
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    U128 r{v.hi >> shift, (v.lo >> shift) | (v.hi << (64 - shift))};
    if (rest > half || (rest == half && (r.lo & 1))) {
        if (++r.lo == 0) ++r.hi;
    }
    return r;
}

int BitLength(std::uint64_t v) { return v == 0 ? 0 : 64 - std::countl_zero(v); }

// An unsigned 64-bit value as a double, rounded once (no 64-bit integer conversion,
// which a 32-bit x86 build would do on the x87 stack).
double ToDouble(std::uint64_t v) {
    return static_cast<double>(static_cast<std::uint32_t>(v >> 32)) * 0x1p32 +
           static_cast<double>(static_cast<std::uint32_t>(v));
}

// sin and cos on |r| <= pi/4 by their Taylor series; the first omitted terms are
// below 1e-19.
double SinKernel(double r) {
    const double z = r * r;
    double p = 1.0 / 355687428096000.0;  // 1/17!
    p = p * z - 1.0 / 1307674368000.0;
    p = p * z + 1.0 / 6227020800.0;
    p = p * z - 1.0 / 39916800.0;
    p = p * z + 1.0 / 362880.0;
    p = p * z - 1.0 / 5040.0;
    p = p * z + 1.0 / 120.0;
    p = p * z - 1.0 / 6.0;
    return r + r * z * p;
}

double CosKernel(double r) {
    const double z = r * r;
    double p = -1.0 / 6402373705728000.0;  // -1/18!
    p = p * z + 1.0 / 20922789888000.0;
    p = p * z - 1.0 / 87178291200.0;
    p = p * z + 1.0 / 479001600.0;
    p = p * z - 1.0 / 3628800.0;
    p = p * z + 1.0 / 40320.0;
    p = p * z - 1.0 / 720.0;
    p = p * z + 1.0 / 24.0;
    return 1.0 - 0.5 * z + z * z * p;
}

// Nearest integer of a double below 2^30 in magnitude, ties away from zero.
std::int32_t NearestInt(double v) {
    return static_cast<std::int32_t>(v < 0 ? v - 0.5 : v + 0.5);
}

struct Reduced {
    double r;            // the remainder, |r| <= pi/4 (up to rounding)
    std::uint32_t quad;  // the multiple of pi/2 taken off, modulo 4
};

// t < 2^24: three-part Cody-Waite reduction.
Reduced ReduceSmall(double t) {
    const std::int32_t n = NearestInt(t * TwoOverPi);
    const double dn = n;
    const double r = ((t - dn * HalfPi1) - dn * HalfPi2) - dn * HalfPi3;
    return {r, static_cast<std::uint32_t>(n) & 3u};
}

// t = m x 2^e with m < 2^24 and e >= 1: t x 2/pi modulo 4 from a 128-bit window of the
// bits of 2/pi. Bits before the window contribute multiples of 4; those after it, less
// than 2^-100 of a quadrant.
Reduced ReduceLarge(std::uint32_t m, int e) {
    const int first = e - 2;  // index (from 0) of the bit of 2/pi worth 2^1 after scaling by 2^e
    auto bitsAt = [](int bit) {  // 64 bits of 2/pi starting at bit index `bit`
        if (bit < 0) return TwoOverPiBits[0] >> -bit;  // 2/pi has no integer part
        const int word = bit / 64, offset = bit % 64;
        const std::uint64_t a = TwoOverPiBits[word];
        if (offset == 0) return a;
        return (a << offset) | (TwoOverPiBits[word + 1] >> (64 - offset));
    };
    const std::uint64_t windowHi = bitsAt(first), windowLo = bitsAt(first + 64);
    // product = m x window modulo 2^128, a fixed-point number with 2 integer bits.
    const U128 low = Multiply64By32(windowLo, m);
    const std::uint64_t hi = windowHi * m + low.hi;
    std::uint32_t quad = static_cast<std::uint32_t>(hi >> 62);
    const std::uint64_t fraction = (hi << 2) | (low.lo >> 62);  // 64 bits after the point
    double f = ToDouble(fraction) * 0x1p-64;
    if (f >= 0.5) {
        f -= 1.0;
        quad = (quad + 1) & 3u;
    }
    return {f * HalfPi, quad};
}

}  // namespace

float PiTimes(float x) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
    const std::uint32_t sign = bits & 0x80000000u;
    const int biased = static_cast<int>((bits >> 23) & 0xFF);
    if (biased == 0xFF) return x * 3.0f;  // infinity or NaN, kept as such
    if (biased == 0) return std::bit_cast<float>(sign);  // zero and subnormals: far below any use
    const std::uint32_t m = (bits & 0x7FFFFFu) | 0x800000u;  // |x| = m x 2^(biased - 150)

    // m x PiSignificand has 87 or 88 bits; round it to 64, then to 24.
    U128 p = Multiply64By32(PiSignificand, m);
    const int drop = BitLength(p.hi);  // bits above the low 64
    p = ShiftRightRounded(p, drop);
    int exponent = biased - 150 - 62 + drop;
    if (p.hi != 0) {  // rounding carried into bit 64
        p = {0, std::uint64_t{1} << 63};
        ++exponent;
    }
    std::uint64_t q = ShiftRightRounded(p, 40).lo;
    exponent += 40;
    if (q >> 24) {
        q >>= 1;
        ++exponent;
    }
    // The value is q x 2^exponent with 2^23 <= q < 2^24.
    const int resultBiased = exponent + 23 + 127;
    if (resultBiased >= 0xFF) return std::bit_cast<float>(sign | 0x7F800000u);
    if (resultBiased <= 0) return std::bit_cast<float>(sign);
    return std::bit_cast<float>(sign | (static_cast<std::uint32_t>(resultBiased) << 23) |
                                (static_cast<std::uint32_t>(q) & 0x7FFFFFu));
}

double Sine(float t) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(t);
    const bool negative = (bits >> 31) != 0;
    const int biased = static_cast<int>((bits >> 23) & 0xFF);
    if (biased == 0xFF) return std::numeric_limits<double>::quiet_NaN();

    const double a = negative ? -static_cast<double>(t) : static_cast<double>(t);
    Reduced red;
    if (a <= 0x1p-1 * HalfPi) {
        red = {a, 0};
    } else if (a < 0x1p24) {
        red = ReduceSmall(a);
    } else {
        red = ReduceLarge((bits & 0x7FFFFFu) | 0x800000u, biased - 150);
    }
    double s;
    switch (red.quad) {
        case 0: s = SinKernel(red.r); break;
        case 1: s = CosKernel(red.r); break;
        case 2: s = -SinKernel(red.r); break;
        default: s = -CosKernel(red.r); break;
    }
    return negative ? -s : s;
}

}  // namespace tevpng::detail
