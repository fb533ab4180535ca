#include "model/sprite_list.h"

#include "model/sprite_messages.h"

namespace tevpng {

namespace {

std::string WithStopNotice(const char* what, const std::string& name) {
    return std::string(what) + name + "\r\n" + sprite_messages::LoadingStopped;
}

}  // namespace

SpriteListCheck CheckSpriteList(std::string list, std::int32_t frameCount,
                                const std::function<bool(const std::string&)>& fileExists) {
    SpriteListCheck check;
    check.remainingList = std::move(list);
    std::string& remaining = check.remainingList;
    if (remaining.empty()) {
        check.message = sprite_messages::NoPaths;
        return check;
    }
    if (remaining.back() != '#') {
        check.message = sprite_messages::NoEndMarker;
        return check;
    }
    while (!remaining.empty()) {
        const size_t end = remaining.find('#');  // always found: the list ends with '#'
        std::string name = remaining.substr(0, end);
        remaining.erase(0, end + 1);
        const bool exists = !name.empty() && fileExists(name);
        check.names.push_back(name);
        if (!exists) {
            check.message = WithStopNotice(sprite_messages::FileNotFound, name);
            return check;
        }
    }
    if (static_cast<std::int64_t>(check.names.size()) != frameCount) {
        check.message = sprite_messages::CountMismatch;
    }
    return check;
}

std::string SpriteLoadFailedMessage(const std::string& name) {
    return WithStopNotice(sprite_messages::LoadFailed, name);
}

}  // namespace tevpng
