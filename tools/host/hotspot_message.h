#pragma once

// Reading the script the plug-in posts with message 2247. Our host has no script
// language of its own; it understands the one call that matters to it: the
// MoveObject that puts a page object onto the rectangle the plug-in drew in.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tevhost {

// The message number, and the wParam that comes with a script to run.
inline constexpr unsigned kScriptMessage = 2247;  // 0x08C7
inline constexpr unsigned kScriptRunMode = 1;

struct MoveObject {
    std::string name;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool operator==(const MoveObject&) const = default;
};

// Finds MoveObject("name","x,y,w,h") in a received script. The plug-in writes the
// name without escaping, so the name is everything up to the last "," before the
// numbers: a name holding quotes or commas still comes out whole. Nothing when the
// call is missing or its four numbers are not four signed 32-bit decimals.
std::optional<MoveObject> FindMoveObject(std::string_view script);

// The script as one log line: CR LF shown as " | ".
std::string ScriptAsOneLine(std::string_view script);

}  // namespace tevhost
