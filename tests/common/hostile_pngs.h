#pragma once
// Files made to cost a reader time or memory out of proportion to their size, each next to
// an ordinary PNG of about the same size to compare with. Shared by the native tests, the
// Windows tests (through the DLL) and the fuzzers' seeds.

#include <cstddef>
#include <string>
#include <vector>

#include "png_builder.h"

namespace tevtest {

struct HostilePng {
    std::string name;
    Bytes png;
    bool loads;  // whether the image is usable (LoadStream returns true)
};

// An IHDR of 64 x 64 RGBA, `count` empty chunks of an unknown ancillary kind, one small
// IDAT and IEND: about 12 bytes a chunk.
Bytes ManyEmptyChunks(int count);

// The hostile files: many empty unknown chunks, many tEXt chunks, many chunks skipped
// unread (cHRM, IDAT after the image data), image data in 1-byte IDAT chunks, a zlib stream
// that goes on far beyond the rows, chunk lengths near and above 2^31, and a header of
// 65535 x 65535. From a few KB to a few MB each.
std::vector<HostilePng> HostilePngs();

// A photo-like RGBA PNG (synthetic_images.h) of at least `bytes` bytes: the ordinary file
// of the same size a hostile one is compared with.
Bytes OrdinaryPngOfAtLeast(std::size_t bytes);

}  // namespace tevtest
