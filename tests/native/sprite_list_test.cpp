#include "model/sprite_list.h"

#include <gtest/gtest.h>

#include <set>

#include "model/sprite_messages.h"

namespace tevpng {
namespace {

const std::set<std::string> kExisting = {"a.png", "b.png", "c.png", "dir\\x.png"};

bool Exists(const std::string& name) { return kExisting.count(name) > 0; }

std::string NotFound(const std::string& name) {
    return std::string(sprite_messages::FileNotFound) + name + "\r\n" + sprite_messages::LoadingStopped;
}

struct ListCase {
    const char* label;
    const char* list;
    std::int32_t count;
    std::vector<std::string> names;
    const char* remaining;
    std::optional<std::string> message;
};

class SpriteListTable : public testing::TestWithParam<ListCase> {};

TEST_P(SpriteListTable, SplitsChecksAndConsumes) {
    const ListCase& c = GetParam();
    SpriteListCheck check = CheckSpriteList(c.list, c.count, Exists);
    EXPECT_EQ(check.names, c.names);
    EXPECT_EQ(check.remainingList, c.remaining);
    EXPECT_EQ(check.message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SpriteListTable,
    testing::Values(
        ListCase{"TwoFrames", "a.png#b.png#", 2, {"a.png", "b.png"}, "", std::nullopt},
        ListCase{"CountTooHigh", "a.png#b.png#", 3, {"a.png", "b.png"}, "", sprite_messages::CountMismatch},
        ListCase{"CountTooLow", "a.png#b.png#c.png#", 2, {"a.png", "b.png", "c.png"}, "",
                 sprite_messages::CountMismatch},
        ListCase{"NoFinalMarker", "a.png#b.png", 2, {}, "a.png#b.png", sprite_messages::NoEndMarker},
        ListCase{"Empty", "", 1, {}, "", sprite_messages::NoPaths},
        ListCase{"MissingFileStopsTheSplit", "a.png#nope.png#b.png#", 3, {"a.png", "nope.png"}, "b.png#",
                 NotFound("nope.png")},
        ListCase{"MissingBeatsWrongCount", "a.png#nope.png#", 7, {"a.png", "nope.png"}, "",
                 NotFound("nope.png")},
        ListCase{"EmptyNameIsNotAFile", "a.png##", 2, {"a.png", ""}, "", NotFound("")},
        ListCase{"NamesKeepEveryOtherCharacter", "dir\\x.png#", 1, {"dir\\x.png"}, "", std::nullopt}),
    [](const testing::TestParamInfo<ListCase>& info) { return info.param.label; });

TEST(SpriteList, HugeCountIsOnlyCompared) {
    SpriteListCheck check = CheckSpriteList("a.png#", INT32_MAX, Exists);
    EXPECT_EQ(check.message, std::string(sprite_messages::CountMismatch));
}

TEST(SpriteList, LoadFailureMessage) {
    EXPECT_EQ(SpriteLoadFailedMessage("b.png"),
              std::string("\xCD\xE5\xF3\xE4\xE0\xF7\xE0 \xE7\xE0\xE3\xF0\xF3\xE7\xEA\xE8 \xF4\xE0\xE9\xEB\xE0 "
                          "\xF1\xEF\xF0\xE0\xE9\xF2\xE0 - b.png\r\n"
                          "\xE7\xE0\xE3\xF0\xF3\xEA\xE0 \xEF\xF0\xE5\xEA\xF0\xE0\xF9\xE5\xED\xE0"));
}

}  // namespace
}  // namespace tevpng
