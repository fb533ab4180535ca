#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tevpng {

// The checks makesprite runs on its file list ("a.png#b.png#") before any frame
// is decoded: the list is split name by name, each name consumed from
// `remainingList` together with its "#", and every name must name an existing
// file; then the count must match.
struct SpriteListCheck {
    std::vector<std::string> names;
    std::string remainingList;           // what is left of the list (the caller's CurrentFile)
    std::optional<std::string> message;  // set when the check failed: the text to show
};

SpriteListCheck CheckSpriteList(std::string list, std::int32_t frameCount,
                                const std::function<bool(const std::string&)>& fileExists);

// The text shown when frame `name` exists but does not load.
std::string SpriteLoadFailedMessage(const std::string& name);

}  // namespace tevpng
