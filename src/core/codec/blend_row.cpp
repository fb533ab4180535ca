#include "codec/blend_row.h"

#include <algorithm>
#include <cstring>

#include "base/cpu_features.h"
#include "codec/png_format.h"

#if defined(__i386__) || defined(__x86_64__)
#define TEVPNG_BLEND_X86 1
#include "codec/blend_row_x86.h"
#endif

namespace tevpng {

namespace blend {

// ---------------------------------------------------------------------------------------------
// Reference: one channel at a time, exactly as the blend is defined.

namespace {

inline std::uint8_t BlendChannel(unsigned s, unsigned d, unsigned a) {
    // Largest value 255 * 255 + 255 = 65 280, so 32 bits never overflow.
    return static_cast<std::uint8_t>((s * a + (255 - a) * d + 255) >> 8);
}

inline void BlendPixel(std::uint8_t* pixel, unsigned blue, unsigned green, unsigned red, unsigned a) {
    pixel[2] = BlendChannel(red, pixel[2], a);
    pixel[1] = BlendChannel(green, pixel[1], a);
    pixel[0] = BlendChannel(blue, pixel[0], a);
}

}  // namespace

void BgrAlphaReference(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha, int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* s = bgr + 3 * x;
        BlendPixel(surface + 4 * x, s[0], s[1], s[2], alpha[x]);
    }
}

void GreyAlphaReference(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha,
                        int width) {
    for (int x = 0; x < width; ++x) BlendPixel(surface + 4 * x, grey[x], grey[x], grey[x], alpha[x]);
}

// Source pixels already in blue, green, red, alpha order (palette colours looked up).
void BgraReference(std::uint8_t* surface, const std::uint8_t* bgra, int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* s = bgra + 4 * x;
        BlendPixel(surface + 4 * x, s[0], s[1], s[2], s[3]);
    }
}

bool IsPaletteDepth(int bitsPerPixel) { return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8; }

namespace {

void PaletteReference(std::uint8_t* surface, const std::uint8_t* indices, int bitsPerPixel,
                      const BlendPalette& palette, int width) {
    if (!IsPaletteDepth(bitsPerPixel)) return;
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* entry =
            palette.bgra[PackedIndex(indices, bitsPerPixel, static_cast<std::size_t>(x))];
        BlendPixel(surface + 4 * x, entry[0], entry[1], entry[2], entry[3]);
    }
}

}  // namespace

template <int BitsPerPixel>
void LookUpPaletteStretch(std::uint8_t* bgra, const std::uint8_t* indices, const BlendPalette& palette,
                          int first, int count) {
    for (int i = 0; i < count; ++i) {
        const unsigned index = PackedIndex(indices, BitsPerPixel, static_cast<std::size_t>(first + i));
        std::memcpy(bgra + 4 * i, palette.bgra[index], 4);
    }
}

void LookUpPaletteStretch(std::uint8_t* bgra, const std::uint8_t* indices, int bitsPerPixel,
                          const BlendPalette& palette, int first, int count) {
    switch (bitsPerPixel) {
        case 1:
            return LookUpPaletteStretch<1>(bgra, indices, palette, first, count);
        case 4:
            return LookUpPaletteStretch<4>(bgra, indices, palette, first, count);
        default:
            return LookUpPaletteStretch<8>(bgra, indices, palette, first, count);
    }
}

}  // namespace blend

namespace {

const BlendRowKernels kReferenceKernels{"reference", blend::BgrAlphaReference, blend::GreyAlphaReference,
                                        blend::PaletteReference};

}  // namespace

BlendPalette MakeBlendPalette(const std::uint8_t* colourTable, int count, const std::uint8_t* alphaTable) {
    BlendPalette palette{};
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* entry = palette.bgra[i];
        if (i < count) std::memcpy(entry, colourTable + 4 * i, 3);
        entry[3] = alphaTable[i];
    }
    return palette;
}

const BlendRowKernels& ReferenceBlendRows() { return kReferenceKernels; }

const BlendRowKernels* Sse2BlendRows() {
#if defined(TEVPNG_BLEND_X86)
    return &blend::kSse2Kernels;
#else
    return nullptr;
#endif
}

const BlendRowKernels* Ssse3BlendRows() {
#if defined(TEVPNG_BLEND_X86)
    return CpuRuns(SimdLevel::Ssse3) ? &blend::kSsse3Kernels : nullptr;
#else
    return nullptr;
#endif
}

const BlendRowKernels* Avx2BlendRows() {
#if defined(TEVPNG_BLEND_X86)
    return CpuRuns(SimdLevel::Avx2) ? &blend::kAvx2Kernels : nullptr;
#else
    return nullptr;
#endif
}

const BlendRowKernels& BlendRows() {
    static const BlendRowKernels& chosen = Avx2BlendRows()    ? *Avx2BlendRows()
                                           : Ssse3BlendRows() ? *Ssse3BlendRows()
                                           : Sse2BlendRows()  ? *Sse2BlendRows()
                                                              : ReferenceBlendRows();
    return chosen;
}

}  // namespace tevpng
