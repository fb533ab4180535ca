#pragma once

// Sine and the pi product behind Sinc, computed the same way on every build: only
// integer arithmetic and IEEE double operations (no libm, no x87, no long double),
// so 32-bit and 64-bit Windows and Linux agree to the last bit.

namespace tevpng::detail {

// pi x rounded to float, where pi has 64 significant bits and the product is first
// rounded to 64 bits, then to 24 (both times to nearest, ties to even), as an x87
// multiply followed by a store to single precision rounds it.
float PiTimes(float x);

// sin(t), accurate to about one unit in the last place of a double for every finite
// float t; NaN for infinities and NaN.
double Sine(float t);

}  // namespace tevpng::detail
