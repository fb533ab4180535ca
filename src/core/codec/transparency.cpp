#include "codec/transparency.h"

#include "codec/png_image.h"

namespace tevpng {

TransparencyMode TransparencyModeOf(const PngImage& image) {
    const HeaderChunk* header = image.ImageHeader();
    if (!header) return TransparencyMode::TransparencyNone;
    const PngChunk* chunk = image.FindChunk("tRNS");
    const AlphaChunk* alpha = chunk ? chunk->As<AlphaChunk>() : nullptr;
    switch (header->ColorType) {
        case 0:  // grey
        case 2:  // RGB
            return alpha ? TransparencyMode::TransparencyBit : TransparencyMode::TransparencyNone;
        case 3:  // palette
            if (!alpha) return TransparencyMode::TransparencyNone;
            return alpha->SingleKey ? TransparencyMode::TransparencyBit : TransparencyMode::TransparencyPartial;
        case 4:  // grey with alpha
        case 6:  // RGB with alpha
            return TransparencyMode::TransparencyPartial;
        default:
            return TransparencyMode::TransparencyNone;
    }
}

}  // namespace tevpng
