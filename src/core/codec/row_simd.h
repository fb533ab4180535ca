#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/row_decoder.h"

// Vector versions of the hot row routines, beside the scalar references in row_decoder.cpp
// and checked against them by the tests.
namespace tevpng::simd {

// Undoes the filter with vector code when there is a vector path for this filter and step;
// false (row untouched) otherwise.
bool UnfilterRow(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t n,
                 int step);

// Undoes the same filter on two consecutive rows at once (second's previous row is first)
// when there is a paired vector path; false (rows untouched) otherwise.
bool UnfilterRowPair(std::uint8_t filter, std::uint8_t* first, const std::uint8_t* previous,
                     std::uint8_t* second, std::size_t n, int step);

// A faster converter for an identity gamma table, or null when there is none.
RowConverter IdentityGammaConverter(int colorType, int bitDepth);

}  // namespace tevpng::simd
