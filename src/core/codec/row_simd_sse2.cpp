// The unfiltering of PNG rows in SSE2, the baseline of every x86 build, beside the scalar
// references of row_decoder.cpp and held to them by the tests.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codec/row_simd_x86.h"

namespace tevpng::simd {

namespace {

__m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void Store(std::uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Byte shifts of a whole register by a count known at compile time.
template <int Bytes>
__m128i ShiftLeft(__m128i v) {
    return _mm_slli_si128(v, Bytes);
}
template <int Bytes>
__m128i ShiftRight(__m128i v) {
    return _mm_srli_si128(v, Bytes);
}

// Pixels of Bpp bytes are handled a group at a time: as many whole pixels as fit in 16
// bytes (4 of 3 or 4 bytes, 2 of 6 or 8). Only groups whose 16-byte loads stay inside
// the row are done here; the caller finishes the rest byte by byte.
template <int Bpp>
constexpr int kGroupPixels = Bpp <= 4 ? 4 : 2;
template <int Bpp>
constexpr int kGroupBytes = kGroupPixels<Bpp>* Bpp;

// Stores the first Bytes (12 or 16) bytes of v. A 16-byte store over a 12-byte group would
// overlap the next group's load, which then waits for the store instead of forwarding.
template <int Bytes>
void StoreGroup(std::uint8_t* p, __m128i v) {
    static_assert(Bytes == 12 || Bytes == 16);
    if constexpr (Bytes == 16) {
        Store(p, v);
    } else {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
        const auto high = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(v, 8)));
        std::memcpy(p + 8, &high, 4);
    }
}

// The general case: mask each pixel to its bytes, then shift it into place.
template <int Bpp, std::size_t N>
__m128i GatherMasked(const __m128i (&r)[N]) {
    alignas(16) static constexpr std::uint8_t lowMask[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lowMask + 8 - Bpp));
    __m128i out = _mm_and_si128(r[0], keep);
    if constexpr (N > 1) out = _mm_or_si128(out, ShiftLeft<Bpp>(_mm_and_si128(r[1], keep)));
    if constexpr (N > 2) out = _mm_or_si128(out, ShiftLeft<2 * Bpp>(_mm_and_si128(r[2], keep)));
    if constexpr (N > 3) out = _mm_or_si128(out, ShiftLeft<3 * Bpp>(_mm_and_si128(r[3], keep)));
    return out;
}

// Puts the low Bpp bytes of each pixel result r[k] at byte k * Bpp.
template <int Bpp, std::size_t N>
__m128i Gather(const __m128i (&r)[N]) {
    if constexpr (Bpp == 4 && N == 4) {
        return _mm_unpacklo_epi64(_mm_unpacklo_epi32(r[0], r[1]), _mm_unpacklo_epi32(r[2], r[3]));
    } else if constexpr (Bpp == 8 && N == 2) {
        return _mm_unpacklo_epi64(r[0], r[1]);
    } else {
        return GatherMasked<Bpp>(r);
    }
}

// Each filter is a kernel that reconstructs one group of a row from the group's filtered
// bytes x and the previous row's bytes b, carrying what it needs from group to group.

// ---- Sub: a prefix sum at pixel distance inside the register, then the carry of the
// previous group's last pixel added to every pixel.
template <int Bpp>
class SubKernel {
public:
    __m128i Group(__m128i x, __m128i) {
        __m128i v = _mm_add_epi8(x, ShiftLeft<Bpp>(x));
        if constexpr (kGroupPixels < Bpp >> 2) v = _mm_add_epi8(v, ShiftLeft<2 * Bpp>(v));
        v = _mm_add_epi8(v, carry_);
        // The group's last pixel alone at byte 0 (the left shift drops the bytes past the
        // group), then repeated over the group.
        __m128i last = ShiftRight<16 - Bpp>(ShiftLeft<16 - kGroupBytes<Bpp>>(v));
        last = _mm_or_si128(last, ShiftLeft<Bpp>(last));
        if constexpr (kGroupPixels < Bpp >> 2) last = _mm_or_si128(last, ShiftLeft<2 * Bpp>(last));
        carry_ = last;
        return v;
    }

private:
    __m128i carry_ = _mm_setzero_si128();
};

// ---- Average: x += floor((a + b) / 2) with a the reconstructed pixel to the left. In
// complemented bytes the floor average is the rounding-up pavgb, so with A = ~a:
// ~x' = pavgb(A, ~b) - x. The chain from one pixel to the next is two instructions.
template <int Bpp>
class AverageKernel {
public:
    __m128i Group(__m128i x, __m128i b) {
        constexpr int pixels = kGroupPixels<Bpp>;
        const __m128i ones = _mm_set1_epi8(-1);
        const __m128i nb = _mm_xor_si128(b, ones);
        __m128i r[pixels];
        left_ = _mm_sub_epi8(_mm_avg_epu8(left_, nb), x);
        r[0] = left_;
        left_ = _mm_sub_epi8(_mm_avg_epu8(left_, ShiftRight<Bpp>(nb)), ShiftRight<Bpp>(x));
        r[1] = left_;
        if constexpr (pixels > 2) {
            left_ = _mm_sub_epi8(_mm_avg_epu8(left_, ShiftRight<2 * Bpp>(nb)), ShiftRight<2 * Bpp>(x));
            r[2] = left_;
            left_ = _mm_sub_epi8(_mm_avg_epu8(left_, ShiftRight<3 * Bpp>(nb)), ShiftRight<3 * Bpp>(x));
            r[3] = left_;
        }
        return _mm_xor_si128(Gather<Bpp>(r), ones);
    }

private:
    __m128i left_ = _mm_set1_epi8(-1);  // ~a; a is 0 before the first pixel
};

// ---- Paeth, in 16-bit lanes. What does not depend on the pixel to the left (b - c and
// pa = |b - c|) is worked out beside the chain.
__m128i Abs16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

__m128i Select(__m128i mask, __m128i ifSet, __m128i ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

// One pixel: a, b, c, x in the low lanes (16 bits each); returns the reconstructed pixel.
__m128i PaethPixel(__m128i a, __m128i b, __m128i c, __m128i x) {
    const __m128i bMinusC = _mm_sub_epi16(b, c);
    const __m128i pa = Abs16(bMinusC);
    const __m128i d = _mm_sub_epi16(a, c);
    const __m128i negD = _mm_sub_epi16(c, a);
    const __m128i pb = _mm_max_epi16(d, negD);
    const __m128i pc = _mm_max_epi16(_mm_add_epi16(d, bMinusC), _mm_sub_epi16(negD, bMinusC));
    const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
    const __m128i notB = _mm_cmpgt_epi16(pb, pc);
    const __m128i predictor = Select(notA, Select(notB, c, b), a);
    return _mm_and_si128(_mm_add_epi16(x, predictor), _mm_set1_epi16(0xFF));
}

template <int Bpp>
class PaethKernel {
public:
    __m128i Group(__m128i xBytes, __m128i bBytes) {
        static_assert(Bpp == 3 || Bpp == 4);
        const __m128i zero = _mm_setzero_si128();
        const __m128i cBytes = _mm_or_si128(ShiftLeft<Bpp>(bBytes), cLast_);
        cLast_ = ShiftRight<16 - Bpp>(ShiftLeft<16 - kGroupBytes<Bpp>>(bBytes));
        __m128i r[4];
        r[0] = Pixel(xBytes, bBytes, cBytes, zero);
        r[1] = Pixel(ShiftRight<Bpp>(xBytes), ShiftRight<Bpp>(bBytes), ShiftRight<Bpp>(cBytes), zero);
        r[2] = Pixel(ShiftRight<2 * Bpp>(xBytes), ShiftRight<2 * Bpp>(bBytes), ShiftRight<2 * Bpp>(cBytes),
                     zero);
        r[3] = Pixel(ShiftRight<3 * Bpp>(xBytes), ShiftRight<3 * Bpp>(bBytes), ShiftRight<3 * Bpp>(cBytes),
                     zero);
        return Gather<Bpp>(r);
    }

private:
    // The pixel in the low bytes of x, b and c; returns it reconstructed in the low bytes.
    __m128i Pixel(__m128i x, __m128i b, __m128i c, __m128i zero) {
        a_ = PaethPixel(a_, _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero),
                        _mm_unpacklo_epi8(x, zero));
        return _mm_packus_epi16(a_, a_);
    }

    __m128i a_ = _mm_setzero_si128();      // the reconstructed pixel to the left, 16-bit lanes
    __m128i cLast_ = _mm_setzero_si128();  // the previous row's pixel before the group, at byte 0
};

// Reconstructs the whole groups of one row and returns how many bytes they cover: only
// groups whose 16-byte loads stay inside the row; the caller finishes the rest.
template <typename Kernel, int Bpp>
std::size_t OneRow(std::uint8_t* row, const std::uint8_t* previous, std::size_t n) {
    constexpr int bytes = kGroupBytes<Bpp>;
    Kernel kernel;
    std::size_t i = 0;
    for (; i + 16 <= n; i += bytes)
        StoreGroup<bytes>(row + i, kernel.Group(Load(row + i), Load(previous + i)));
    return i;
}

// Two consecutive rows at once, the second one group behind the first and taking the
// first's reconstructed group straight from the register: two independent chains, which
// the processor runs side by side.
template <typename Kernel, int Bpp>
std::size_t TwoRows(std::uint8_t* first, const std::uint8_t* previous, std::uint8_t* second, std::size_t n) {
    constexpr int bytes = kGroupBytes<Bpp>;
    if (n < 16) return 0;
    Kernel top, bottom;
    __m128i above = top.Group(Load(first), Load(previous));
    StoreGroup<bytes>(first, above);
    std::size_t i = bytes;
    for (; i + 16 <= n; i += bytes) {
        const __m128i next = top.Group(Load(first + i), Load(previous + i));
        StoreGroup<bytes>(second + i - bytes, bottom.Group(Load(second + i - bytes), above));
        StoreGroup<bytes>(first + i, next);
        above = next;
    }
    StoreGroup<bytes>(second + i - bytes, bottom.Group(Load(second + i - bytes), above));
    return i;
}

// Finishes a row from byte `from` on, once the vector groups are done (or from the start).
void FinishScalar(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t from,
                  std::size_t n, int step) {
    for (std::size_t i = from; i < n; ++i) {
        const int a = i >= static_cast<std::size_t>(step) ? row[i - step] : 0;
        const int b = previous[i];
        const int c = i >= static_cast<std::size_t>(step) ? previous[i - step] : 0;
        int add = 0;
        switch (filter) {
            case kFilterTypeSub:
                add = a;
                break;
            case kFilterTypeUp:
                add = b;
                break;
            case kFilterTypeAverage:
                add = (a + b) >> 1;
                break;
            case kFilterTypePaeth:
                add = PaethPredictor(static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b),
                                     static_cast<std::uint8_t>(c));
                break;
            default:
                break;
        }
        row[i] = static_cast<std::uint8_t>(row[i] + add);
    }
}

std::size_t UpBytes(std::uint8_t* row, const std::uint8_t* previous, std::size_t n) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) Store(row + i, _mm_add_epi8(Load(row + i), Load(previous + i)));
    return i;
}

template <int Bpp>
std::size_t FilterGroups(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous,
                         std::size_t n) {
    switch (filter) {
        case kFilterTypeSub:
            return OneRow<SubKernel<Bpp>, Bpp>(row, previous, n);
        case kFilterTypeAverage:
            return OneRow<AverageKernel<Bpp>, Bpp>(row, previous, n);
        case kFilterTypePaeth:
            if constexpr (Bpp == 3 || Bpp == 4) return OneRow<PaethKernel<Bpp>, Bpp>(row, previous, n);
            return 0;
        default:
            return 0;
    }
}

// The filters whose chains are long enough for two rows at a time to pay.
template <int Bpp>
std::size_t PairGroups(std::uint8_t filter, std::uint8_t* first, const std::uint8_t* previous,
                       std::uint8_t* second, std::size_t n) {
    if (filter == kFilterTypeAverage) return TwoRows<AverageKernel<Bpp>, Bpp>(first, previous, second, n);
    return TwoRows<PaethKernel<Bpp>, Bpp>(first, previous, second, n);
}

}  // namespace

bool UnfilterRowSse2(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t n,
                     int step) {
    std::size_t done = 0;
    switch (filter) {
        case kFilterTypeUp:
            done = UpBytes(row, previous, n);
            break;
        case kFilterTypeSub:
        case kFilterTypeAverage:
        case kFilterTypePaeth:
            switch (step) {
                case 3:
                    done = FilterGroups<3>(filter, row, previous, n);
                    break;
                case 4:
                    done = FilterGroups<4>(filter, row, previous, n);
                    break;
                case 6:
                    done = FilterGroups<6>(filter, row, previous, n);
                    break;
                case 8:
                    done = FilterGroups<8>(filter, row, previous, n);
                    break;
                default:
                    return false;
            }
            break;
        default:
            return false;
    }
    FinishScalar(filter, row, previous, done, n, step);
    return true;
}

bool UnfilterRowPairSse2(std::uint8_t filter, std::uint8_t* first, const std::uint8_t* previous,
                         std::uint8_t* second, std::size_t n, int step) {
    if (filter != kFilterTypeAverage && filter != kFilterTypePaeth) return false;
    std::size_t done = 0;
    switch (step) {
        case 3:
            done = PairGroups<3>(filter, first, previous, second, n);
            break;
        case 4:
            done = PairGroups<4>(filter, first, previous, second, n);
            break;
        default:
            return false;
    }
    FinishScalar(filter, first, previous, done, n, step);
    FinishScalar(filter, second, first, done, n, step);
    return true;
}

}  // namespace tevpng::simd
