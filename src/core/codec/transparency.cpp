#include "codec/transparency.h"

#include "codec/png_image.h"

namespace tevpng {

TransparencyMode TransparencyModeOf(const PngImage& image) {
    const HeaderChunk* header = image.ImageHeader();
    if (!header) return TransparencyMode::TransparencyNone;
    const PngChunk* chunk = image.FindChunk("tRNS");
    const AlphaChunk* alpha = chunk ? chunk->As<AlphaChunk>() : nullptr;
    switch (header->ColorType) {
        case kColorTypeGrey:
        case kColorTypeRgb:
            return alpha ? TransparencyMode::TransparencyBit : TransparencyMode::TransparencyNone;
        case kColorTypePalette:
            if (!alpha) return TransparencyMode::TransparencyNone;
            return alpha->SingleKey ? TransparencyMode::TransparencyBit
                                    : TransparencyMode::TransparencyPartial;
        case kColorTypeGreyAlpha:
        case kColorTypeRgba:
            return TransparencyMode::TransparencyPartial;
        default:
            return TransparencyMode::TransparencyNone;
    }
}

}  // namespace tevpng
