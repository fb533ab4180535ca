#include "model/param_history.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tevpng {
namespace {

// One push: a file name (nullopt means a null pointer) or a number.
struct Push {
    enum Kind { File, Data, Path } kind;
    std::optional<std::string> text;
    std::int32_t value = 0;
};

Push File(const char* t) { return {Push::File, t ? std::optional<std::string>(t) : std::nullopt}; }
Push Data(std::int32_t v) { return {Push::Data, std::nullopt, v}; }
Push Path(const char* t) { return {Push::Path, std::string(t)}; }

struct HistoryCase {
    const char* name;
    std::vector<Push> pushes;
    std::vector<std::string> files;      // FileHistory[0..4]
    std::vector<std::int32_t> numbers;  // DataHistory[0..4]
    std::string hostPath;
};

// Names the case in failure messages (GoogleTest would otherwise dump the raw bytes, padding included).
void PrintTo(const HistoryCase& c, std::ostream* out) { *out << c.name; }

void Apply(ParamHistory& history, const Push& push) {
    const char* text = push.text ? push.text->c_str() : nullptr;
    switch (push.kind) {
        case Push::File: history.SetFile(text); break;
        case Push::Data: history.SetData(push.value); break;
        case Push::Path: history.SetPath(text); break;
    }
}

class ParamHistoryTable : public testing::TestWithParam<HistoryCase> {};

TEST_P(ParamHistoryTable, HistoriesAfterPushes) {
    const HistoryCase& c = GetParam();
    ParamHistory history;
    for (const Push& push : c.pushes) Apply(history, push);

    for (int i = 0; i < ParamHistory::Depth; ++i) {
        EXPECT_EQ(history.FileHistory(i), c.files[i]) << "FileHistory[" << i << "]";
        EXPECT_EQ(history.DataHistory(i), c.numbers[i]) << "DataHistory[" << i << "]";
    }
    EXPECT_EQ(history.CurrentFile(), c.files[0]);
    EXPECT_EQ(history.CurrentData(), c.numbers[0]);
    EXPECT_EQ(history.HostPath(), c.hostPath);
}

INSTANTIATE_TEST_SUITE_P(
    Pushes, ParamHistoryTable,
    testing::Values(
        HistoryCase{"Empty", {}, {"", "", "", "", ""}, {0, 0, 0, 0, 0}, ""},
        HistoryCase{"SixNumbersDropTheOldest",
                    {Data(1), Data(2), Data(3), Data(4), Data(5), Data(6)},
                    {"", "", "", "", ""}, {6, 5, 4, 3, 2}, ""},
        HistoryCase{"SixFilesDropTheOldest",
                    {File("a"), File("b"), File("c"), File("d"), File("e"), File("f")},
                    {"f", "e", "d", "c", "b"}, {0, 0, 0, 0, 0}, ""},
        HistoryCase{"NullFileIsEmptyAndStillShifts",
                    {File("a.png"), File(nullptr)},
                    {"", "a.png", "", "", ""}, {0, 0, 0, 0, 0}, ""},
        HistoryCase{"FileBetweenNumbersLeavesNumbersAlone",
                    {Data(800), File("x.png"), Data(600)},
                    {"x.png", "", "", "", ""}, {600, 800, 0, 0, 0}, ""},
        HistoryCase{"NegativeAndExtremeNumbers",
                    {Data(-5), Data(INT32_MIN), Data(INT32_MAX)},
                    {"", "", "", "", ""}, {INT32_MAX, INT32_MIN, -5, 0, 0}, ""},
        HistoryCase{"PathIsSeparateAndReplaced",
                    {Path("c:\\one"), File("f"), Path("c:\\two")},
                    {"f", "", "", "", ""}, {0, 0, 0, 0, 0}, "c:\\two"}),
    [](const testing::TestParamInfo<HistoryCase>& info) { return info.param.name; });

TEST(ParamHistory, TextIsCopiedOnEntry) {
    ParamHistory history;
    std::string text = "first.png";
    history.SetFile(text.c_str());
    text[0] = 'X';
    EXPECT_EQ(history.CurrentFile(), "first.png");
    EXPECT_EQ(history.FileHistory(0), "first.png");
}

TEST(ParamHistory, CurrentFileCanBeConsumedWithoutTouchingTheHistory) {
    ParamHistory history;
    history.SetFile("a.png#b.png#");
    history.SetCurrentFile("");
    EXPECT_EQ(history.CurrentFile(), "");
    EXPECT_EQ(history.FileHistory(0), "a.png#b.png#");
}

}  // namespace
}  // namespace tevpng
