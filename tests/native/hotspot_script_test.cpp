#include "model/hotspot_script.h"

#include <gtest/gtest.h>

namespace tevpng {
namespace {

TEST(HotspotScript, FourLinesMoveTheNamedObject) {
    EXPECT_EQ(BuildHotspotScript("Hot1", {10, 20, 300, 200}),
              "CreateScript(\"SCRIPT\",\"msrp$\")\r\n"
              "Param$='SCRIPT:1='+'MoveObject(\"Hot1\",\"10,20,300,200\")'\r\n"
              "SetObjectParam(\"msrp$\",\"Param$\")\r\n"
              "RunScript(\"msrp$\")\r\n");
}

struct SecondLineCase {
    const char* name;
    DrawRectangle rect;
    const char* expected;
};

class HotspotScriptSecondLine : public testing::TestWithParam<SecondLineCase> {};

TEST_P(HotspotScriptSecondLine, NameAndNumbersAsStored) {
    const SecondLineCase& c = GetParam();
    std::string script = BuildHotspotScript(c.name, c.rect);
    size_t start = script.find("\r\n") + 2;
    EXPECT_EQ(script.substr(start, script.find("\r\n", start) - start), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HotspotScriptSecondLine,
    testing::Values(
        SecondLineCase{"", {0, 0, 0, 0}, "Param$='SCRIPT:1='+'MoveObject(\"\",\"0,0,0,0\")'"},
        SecondLineCase{"h", {-5, -20, 7, -1}, "Param$='SCRIPT:1='+'MoveObject(\"h\",\"-5,-20,7,-1\")'"},
        SecondLineCase{"a\"b'c", {1, 2, 3, 4}, "Param$='SCRIPT:1='+'MoveObject(\"a\"b'c\",\"1,2,3,4\")'"},
        SecondLineCase{"\xC8\xEC\xFF",
                       {INT32_MIN, INT32_MAX, 0, 1},
                       "Param$='SCRIPT:1='+'MoveObject(\"\xC8\xEC\xFF\",\"-2147483648,2147483647,0,1\")'"}));

}  // namespace
}  // namespace tevpng
