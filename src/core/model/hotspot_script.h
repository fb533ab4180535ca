#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tevpng {

// The rectangle of the last Draw, in the order the host passed it.
struct DrawRectangle {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The four CR LF-ended lines of host script that move the hotspot object named
// `hotspotName` onto `rect`. The name goes in as stored: the host's script
// language has no escaping we could apply.
std::string BuildHotspotScript(std::string_view hotspotName, const DrawRectangle& rect);

}  // namespace tevpng
