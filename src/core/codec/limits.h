#pragma once

// What one image may hold, in one place, each limit with its reason. Every one is checked
// where its number enters from the file, before anything is allocated for it.
#include <cstdint>

namespace tevpng {

// Width and height: IHDR allows 2^31 - 1, no image this plug-in holds is wider or taller.
// With both at most 65535, width x height x bytes per pixel fits 64 bits many times over.
inline constexpr std::uint32_t kMaxDimension = 65535;

// The most DIB + alpha plane bytes one image may hold: 8192 x 8192 RGB with alpha exactly.
// A 32-bit host has about 2 GB of address space for everything; larger images fail the load
// (code 15) before anything is allocated.
inline constexpr std::uint64_t kPixelMemoryLimit = 256u * 1024 * 1024;

// Ancillary chunks a load keeps: tEXt, tIME and every chunk of an unknown name (an unknown
// critical one is kept like an ancillary one). They only travel along to the writer and
// the backup copy, so a file that holds more costs memory and time for nothing: past
// either limit the extra ones are passed over unread and the image loads as usual. The
// numbers are libpng's and libspng's defaults for their chunk caches: a thousand chunks,
// and 8 MB of their data in all (libpng's bound for a single one).
inline constexpr int kAncillaryChunkLimit = 1000;
inline constexpr std::uint64_t kAncillaryBytesLimit = 8'000'000;

}  // namespace tevpng
