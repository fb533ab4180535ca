#pragma once

#include <cstddef>
#include <memory>

#include "codec/png_image.h"

namespace tevpng {

// The image as loadpng left it, for restorepng. It is kept as a copy of the image rather
// than as an encoded PNG: encoding cost loadpng 25 to 35 times the decode on photographs
// (deflate at level 7), the copy costs a fraction of it and no more memory than the
// pixels. Restoring writes the copy as a PNG and reads that back, so the image restored is,
// byte for byte, what a PNG backup written at any compression level gives back: the level
// changes no decoded byte, so the copy is written with stored (level 0) deflate blocks.
class ImageBackup {
public:
    // Prepares the image as writing it does (PngImage::PrepareForSaving) and keeps a copy.
    // An image that cannot be written (empty, or failed before its image data) and a copy
    // that cannot be made leave the backup as it was.
    void Keep(PngImage& image);

    // Loads `image` from the backup as LoadStream loads a PNG; with nothing kept, as from an
    // empty stream. Returns what LoadStream returns.
    bool RestoreInto(PngImage& image);

    // The bytes the backup holds beyond a small constant: the pixels and the chunk data.
    std::size_t HeldBytes() const;

private:
    std::unique_ptr<PngImage> copy_;
};

}  // namespace tevpng
