// The export table and the information and parameter exports, called through
// GetProcAddress exactly as a host calls them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin_dll.h"

namespace tevtest {
namespace {

struct ExportEntry {
    int ordinal;
    const char* name;
};

constexpr ExportEntry kExportTable[] = {
    {1, "setalphacolor"}, {2, "shide"},          {3, "loadalpha"},        {4, "setcurframe"},
    {5, "spriteanim"},    {6, "makesprite"},     {7, "savescaled"},       {8, "restorepng"},
    {9, "resizepng"},     {10, "loadpng"},       {11, "test"},            {12, "Draw"},
    {13, "SetParentWindow"}, {14, "CreateObject"}, {15, "Interface"},     {16, "HasIntDlg"},
    {17, "GetInfo"},      {18, "GetShortInfo"},  {19, "Copyright"},       {20, "SetPath"},
    {21, "GetData"},      {22, "SetData"},       {23, "GetFile"},         {24, "SetFile"},
};

class Exports : public testing::Test {
protected:
    PluginDll dll;
};

TEST_F(Exports, EveryNameResolvesToItsOrdinal) {
    ASSERT_TRUE(dll.Loaded()) << dll.Path();
    for (const ExportEntry& entry : kExportTable) {
        FARPROC byName = dll.Export(entry.name);
        EXPECT_NE(byName, nullptr) << entry.name;
        EXPECT_EQ(byName, dll.ExportByOrdinal(entry.ordinal)) << entry.name << " @" << entry.ordinal;
    }
    EXPECT_EQ(dll.ExportByOrdinal(25), nullptr);
}

TEST_F(Exports, ShortInfoIsFixedAndStable) {
    const char* first = dll.GetShortInfo();
    EXPECT_STREQ(first, "Tolvane Varnelix plugin v3.0");
    EXPECT_EQ(dll.GetShortInfo(), first);
    EXPECT_STREQ(dll.GetShortInfo(), "Tolvane Varnelix plugin v3.0");
}

TEST_F(Exports, InfoIsThreeCrLfLines) {
    std::string info = dll.GetInfo();
    std::vector<std::string> lines;
    for (size_t start = 0; start < info.size();) {
        size_t end = info.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "text must end with CR LF";
        lines.push_back(info.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("SDK"), std::string::npos);
    EXPECT_NE(lines[1].find("http"), std::string::npos);
    for (char c : lines[2]) EXPECT_FALSE(c >= 'a' && c <= 'z') << "credit line is in capitals";
    EXPECT_EQ(info.find('\n'), info.find("\r\n") + 1) << "no bare line feeds";
    EXPECT_EQ(dll.GetInfo(), dll.GetInfo());
}

TEST_F(Exports, CopyrightIsANotice) {
    std::string notice = dll.Copyright();
    EXPECT_EQ(notice.rfind("Copyright", 0), 0u);
    EXPECT_EQ(dll.Copyright(), dll.Copyright());
}

TEST_F(Exports, FixedResults) {
    EXPECT_EQ(dll.HasIntDlg(), 1);
    EXPECT_EQ(dll.CreateObject(), 0);
}

TEST_F(Exports, FreshLibraryHasEmptyParameters) {
    const char* file = dll.GetFile();
    ASSERT_NE(file, nullptr);
    EXPECT_STREQ(file, "");
    EXPECT_EQ(dll.GetData(), 0);
}

TEST_F(Exports, NullFileIsAnEmptyText) {
    dll.SetFile("first.png");
    dll.SetFile(nullptr);
    ASSERT_NE(dll.GetFile(), nullptr);
    EXPECT_STREQ(dll.GetFile(), "");
    dll.SetPath(nullptr);  // must not fault either
}

TEST_F(Exports, NewestValuesComeBack) {
    for (int value = 1; value <= 6; ++value) dll.SetData(value);
    EXPECT_EQ(dll.GetData(), 6);
    dll.SetData(-5);
    EXPECT_EQ(dll.GetData(), -5);
    dll.SetData(INT32_MIN);
    EXPECT_EQ(dll.GetData(), INT32_MIN);

    dll.SetFile("a.png");
    dll.SetData(800);
    dll.SetFile("b.png");
    EXPECT_STREQ(dll.GetFile(), "b.png");
    EXPECT_EQ(dll.GetData(), 800) << "SetFile never touches the numbers";
}

TEST_F(Exports, TextsAreCopiedOnEntry) {
    char buffer[] = "c:\\pictures\\sun.png";
    dll.SetFile(buffer);
    std::memset(buffer, 'X', sizeof buffer - 1);
    EXPECT_STREQ(dll.GetFile(), "c:\\pictures\\sun.png");
}

TEST_F(Exports, LongAndHighBitTextsRoundTrip) {
    std::string longName(100000, 'n');
    dll.SetFile(longName.c_str());
    EXPECT_EQ(std::string(dll.GetFile()), longName);
    const char cyrillic[] = "\xCA\xE0\xF0\xF2\xE8\xED\xEA\xE0.png";  // Windows-1251 bytes, unconverted
    dll.SetFile(cyrillic);
    EXPECT_STREQ(dll.GetFile(), cyrillic);
}

TEST(ExportsLifetime, UnloadForgetsTheParameters) {
    {
        PluginDll dll;
        dll.SetData(42);
        dll.SetFile("kept.png");
    }
    PluginDll again;
    EXPECT_EQ(again.GetData(), 0);
    EXPECT_STREQ(again.GetFile(), "");
}

}  // namespace
}  // namespace tevtest
