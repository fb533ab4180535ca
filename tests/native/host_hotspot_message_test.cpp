// The reference host's reading of the hotspot script: what it takes from the text the
// plug-in posts with message 2247.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "hotspot_message.h"
#include "model/hotspot_script.h"

namespace tevhost {
namespace {

TEST(HostHotspotMessage, ReadsWhatThePluginWrites) {
    const struct {
        std::string name;
        tevpng::DrawRectangle rect;
    } cases[] = {
        {"Hot1", {10, 20, 300, 200}},
        {"", {0, 0, 0, 0}},
        {"Hot1", {-5, -2147483647 - 1, 2147483647, -1}},
        {"with blank", {1, 2, 3, 4}},
        {"a\",\"b", {7, 8, 9, 10}},  // the plug-in does not escape: the last "," still splits
        {"q\"uote)", {11, 12, 13, 14}},
    };
    for (const auto& c : cases) {
        const std::string script = tevpng::BuildHotspotScript(c.name, c.rect);
        const std::optional<MoveObject> move = FindMoveObject(script);
        ASSERT_TRUE(move.has_value()) << script;
        EXPECT_EQ(*move, (MoveObject{c.name, c.rect.x, c.rect.y, c.rect.width, c.rect.height})) << script;
    }
}

TEST(HostHotspotMessage, RefusesWhatItCannotRead) {
    const char* const scripts[] = {
        "",
        "RunScript(\"msrp$\")\r\n",
        "MoveObject(\"Hot1\",\"10,20,300\")",          // three numbers
        "MoveObject(\"Hot1\",\"10,20,300,200,5\")",    // five
        "MoveObject(\"Hot1\",\"10,20,300,2x0\")",
        "MoveObject(\"Hot1\",\"10,,300,200\")",
        "MoveObject(\"Hot1\",\"10,20,300,99999999999\")",  // beyond 32 bits
        "MoveObject(\"Hot1\",\"+1,20,300,200\")",
        "MoveObject(\"Hot1\",\"10,20,300,200",         // not closed
        "MoveObject(\"Hot1 10,20,300,200\")",          // no separator
    };
    for (const char* script : scripts) EXPECT_FALSE(FindMoveObject(script).has_value()) << script;
}

TEST(HostHotspotMessage, ScriptOnOneLine) {
    EXPECT_EQ(ScriptAsOneLine("a\r\nb\r\n"), "a | b");
    EXPECT_EQ(ScriptAsOneLine("a\nb"), "a\nb");
}

}  // namespace
}  // namespace tevhost
