#pragma once

#include <cstdint>

namespace tevpng {

// One source sample of a target position: its (reflected) index and its weight.
struct Contributor {
    std::int32_t index;
    float weight;
};

}  // namespace tevpng
