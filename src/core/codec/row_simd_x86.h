#pragma once

// The vector row routines of x86 builds, each instruction set in a file of its own compiled
// for that set alone (src/core/CMakeLists.txt); row_simd.cpp chooses among them.
#include <cstddef>
#include <cstdint>

#include "codec/row_decoder.h"

namespace tevpng::simd {

// row_simd_sse2.cpp: false (row untouched) when there is no vector path for the filter and step.
bool UnfilterRowSse2(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t n,
                     int step);
bool UnfilterRowPairSse2(std::uint8_t filter, std::uint8_t* first, const std::uint8_t* previous,
                         std::uint8_t* second, std::size_t n, int step);

// row_simd_ssse3.cpp: the 8-bit RGBA and RGB converters for an identity gamma table.
void RgbaToBgrAlphaSsse3(const std::uint8_t* source, std::uint8_t* dib, std::uint8_t* alpha,
                         std::uint32_t width, const std::uint8_t* gamma);
void RgbToBgrSsse3(const std::uint8_t* source, std::uint8_t* dib, std::uint8_t* alpha, std::uint32_t width,
                   const std::uint8_t* gamma);

}  // namespace tevpng::simd
