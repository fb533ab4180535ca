// The reference host's scenario files: every step's arguments, and errors that name the line.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "scenario_file.h"

namespace tevhost {
namespace {

Step OnlyStep(const std::string& line) {
    const Scenario scenario = ParseScenario(line, "s.txt");
    EXPECT_TRUE(scenario.errors.empty()) << line << ": " << (scenario.errors.empty() ? "" : scenario.errors[0]);
    EXPECT_EQ(scenario.steps.size(), 1u) << line;
    return scenario.steps.empty() ? Step{} : scenario.steps[0];
}

std::string OnlyError(const std::string& text) {
    const Scenario scenario = ParseScenario(text, "s.txt");
    EXPECT_EQ(scenario.errors.size(), 1u) << text;
    return scenario.errors.empty() ? "" : scenario.errors[0];
}

TEST(HostScenarioFile, StepsAndTheirArguments) {
    const struct {
        std::string line;
        StepKind kind;
        std::string text;
        std::vector<std::int64_t> numbers;
    } cases[] = {
        {"SetParentWindow", StepKind::SetParentWindow, "", {}},
        {"SetFile a b.png#c.png#", StepKind::SetFile, "a b.png#c.png#", {}},
        {"SetFile", StepKind::SetFile, "", {}},
        {"SetData 200", StepKind::SetData, "", {200}},
        {"SetData -7", StepKind::SetData, "", {-7}},
        {"SetData 0x80000005", StepKind::SetData, "", {0x80000005}},
        {"SetData -2147483648", StepKind::SetData, "", {-2147483648LL}},
        {"loadpng", StepKind::Command, "", {}},
        {"restorepng", StepKind::Command, "", {}},
        {"GetFile", StepKind::ShowResult, "", {}},
        {"Draw 10 20 300 200", StepKind::Draw, "", {10, 20, 300, 200}},
        {"Draw\t-5  7 100 50  ", StepKind::Draw, "", {-5, 7, 100, 50}},
        {"wait 70", StepKind::Wait, "", {70}},
        {"snapshot out/demo.png", StepKind::Snapshot, "out/demo.png", {}},
        {"expect-script", StepKind::ExpectScript, "", {}},
        {"expect-script Hot1 10 20 300 200", StepKind::ExpectScript, "Hot1", {10, 20, 300, 200}},
        {"expect-script my hot spot -1 -2 3 4", StepKind::ExpectScript, "my hot spot", {-1, -2, 3, 4}},
        {"expect-size", StepKind::ExpectSize, "", {}},
        {"expect-pixel 50 66 66e566", StepKind::ExpectPixel, "", {50, 66, 0x66E566}},
        {"expect-box hotspotname Hot1", StepKind::ExpectBox, "hotspotname Hot1", {}},
        {"make-sample s.png", StepKind::MakeSample, "s.png", {}},
        {"make-sample s.png 32 16", StepKind::MakeSample, "s.png", {32, 16}},
        {"make-png f.png 40 30 00FF0080", StepKind::MakePng, "f.png", {40, 30, 0x00FF0080}},
        {"hotspot-settings on Hot 1", StepKind::HotspotSettings, "Hot 1", {1}},
        {"hotspot-settings off", StepKind::HotspotSettings, "", {0}},
        {"echo  hello  world", StepKind::Echo, "hello  world", {}},
    };
    for (const auto& c : cases) {
        const Step step = OnlyStep(c.line);
        EXPECT_EQ(step.kind, c.kind) << c.line;
        EXPECT_EQ(step.text, c.text) << c.line;
        EXPECT_EQ(step.numbers, c.numbers) << c.line;
    }
}

TEST(HostScenarioFile, CommentsAndBlankLinesAreSkippedAndLinesCounted) {
    const Scenario scenario = ParseScenario("# demo\r\n\r\n   \nSetParentWindow\r\n  # indented comment\nloadpng", "s");
    ASSERT_TRUE(scenario.errors.empty());
    ASSERT_EQ(scenario.steps.size(), 2u);
    EXPECT_EQ(scenario.steps[0].line, 4);
    EXPECT_EQ(scenario.steps[1].line, 6);
    EXPECT_EQ(scenario.steps[1].name, "loadpng");
}

TEST(HostScenarioFile, ErrorsNameTheFileAndLine) {
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"SetParentWindow\nlodpng", "s.txt:2: unknown step 'lodpng'"},
        {"draw 1 2 3 4", "s.txt:1: unknown step 'draw'"},
        {"\n\nDraw 1 2 3", "s.txt:3: Draw takes four numbers: X Y W H"},
        {"Draw 1 2 3 x", "s.txt:1: 'x' is not a 32-bit number"},
        {"SetData 4294967296", "s.txt:1: '4294967296' is not a 32-bit number"},
        {"SetData -2147483649", "s.txt:1: '-2147483649' is not a 32-bit number"},
        {"SetData", "s.txt:1: SetData takes a number"},
        {"loadpng now", "s.txt:1: loadpng takes no arguments"},
        {"wait -1", "s.txt:1: wait needs 0 or more milliseconds"},
        {"snapshot", "s.txt:1: snapshot needs a text"},
        {"expect-script Hot1 1 2 3", "s.txt:1: expect-script takes nothing, or NAME X Y W H"},
        {"expect-pixel 1 2 red", "s.txt:1: 'red' is not a colour RRGGBB"},
        {"make-png f.png 0 3 FFFFFFFF", "s.txt:1: '0' is not a size from 1 to 4096"},
        {"make-png f.png 3 3 FFFFFF", "s.txt:1: 'FFFFFF' is not a colour RRGGBBAA"},
        {"hotspot-settings yes", "s.txt:1: hotspot-settings takes on or off, then a name"},
    };
    for (const auto& c : cases) EXPECT_EQ(OnlyError(c.text), c.error) << c.text;
}

TEST(HostScenarioFile, EveryBadLineIsReportedAndNothingElseKept) {
    const Scenario scenario = ParseScenario("nope\nSetParentWindow\nDraw\n", "s.txt");
    ASSERT_EQ(scenario.errors.size(), 2u);
    EXPECT_EQ(scenario.errors[0], "s.txt:1: unknown step 'nope'");
    EXPECT_EQ(scenario.errors[1], "s.txt:3: Draw takes four numbers: X Y W H");
}

TEST(HostScenarioFile, EveryScenarioWeShipParses) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TEVPNG_SCENARIO_DIR)) {
        if (entry.path().extension() != ".txt") continue;
        ++files;
        const std::string path = entry.path().string();
        const std::string name = entry.path().filename().string();
        std::FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr) << path;
        std::string text;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
        std::fclose(file);
        const Scenario scenario = ParseScenario(text, name);
        EXPECT_TRUE(scenario.errors.empty()) << name << ": " << (scenario.errors.empty() ? "" : scenario.errors[0]);
        EXPECT_FALSE(scenario.steps.empty()) << name;
    }
    EXPECT_GE(files, 4);
}

}  // namespace
}  // namespace tevhost
