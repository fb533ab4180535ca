// The settings file: module name, the two file locations, the choice between
// them by the host window's parentage, and the reads and writes of "hot" and "usehot".
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "host_page.h"
#include "ui/module_instance.h"

namespace tevpng::host {
namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::optional<std::string> Environment(const char* name) {
    char value[1024];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) return std::nullopt;
    return std::string(value, length);
}

// Points the temporary directory at a private one and starts from fresh settings.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedTmp_ = Environment("TMP");
        savedTemp_ = Environment("TEMP");
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        tempDirectory_ = std::string(base) + "tevpng_settings_test\\";
        CreateDirectoryA(tempDirectory_.c_str(), nullptr);
        SetEnvironmentVariableA("TMP", tempDirectory_.c_str());
        SetEnvironmentVariableA("TEMP", tempDirectory_.c_str());
        Settings() = PluginSettings{};
        RecomputeModuleName(Settings());
        tempFile_ = TempSettingsFile(Settings());
        hostFile_ = HostSettingsFile(Settings());
        RemoveFiles();
    }

    void TearDown() override {
        RemoveFiles();
        RemoveDirectoryA(tempDirectory_.c_str());
        SetEnvironmentVariableA("TMP", savedTmp_ ? savedTmp_->c_str() : nullptr);
        SetEnvironmentVariableA("TEMP", savedTemp_ ? savedTemp_->c_str() : nullptr);
        Settings() = PluginSettings{};
    }

    void RemoveFiles() {
        DeleteFileA(tempFile_.c_str());
        RemoveDirectoryA(tempFile_.c_str());
        DeleteFileA(hostFile_.c_str());
    }

    // Reads `body` as the settings file, starting from the given values.
    void ReadFrom(const std::string& body, const std::string& hot, bool useHot) {
        WriteBytes(tempFile_, body);
        Settings().HotspotName = hot;
        Settings().UseHotspot = useHot;
        Settings().SettingsPath = tempFile_;
        ReadSettings(Settings());
    }

    // The settings under test, as the plug-in holds them.
    PluginSettings& Settings() { return settings_; }

    PluginSettings settings_;
    std::optional<std::string> savedTmp_;
    std::optional<std::string> savedTemp_;
    std::string tempDirectory_;
    std::string tempFile_;
    std::string hostFile_;
};

TEST(ModuleName, KeepsTheFileNameUpToItsFirstDot) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Program Files\\Host\\plugins\\tevpng.dll", "tevpng"},
        {"C:\\plugins\\a.b.dll", "a"},
        {"C:\\dir.with.dots\\plain", "plain"},
        {"D:tevpng.dll", "tevpng"},
        {"\\\\server\\share/mixed/sep.dll", "sep"},
        {"tevpng.dll", "tevpng"},
        {"C:\\plugins\\.hidden.dll", ""},
        {"C:\\plugins\\", ""},
        {"", ""},
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(ModuleNameFromPath(path), name) << path;
}

TEST_F(SettingsFileTest, ModuleNameComesFromThisModulesOwnFile) {
    // Linked into the test program, the code's own module is the program.
    char path[MAX_PATH] = {};
    GetModuleFileNameA(ui::ModuleInstance(), path, sizeof path);
    EXPECT_EQ(ui::ModuleInstance(), GetModuleHandleA(nullptr));
    EXPECT_EQ(Settings().ModuleName, "tevpng_shell_tests");
    EXPECT_EQ(Settings().ModuleName, ModuleNameFromPath(path));
}

TEST_F(SettingsFileTest, FilesAreTheTempAndProgramDirectoriesPlusModuleNameDotIni) {
    EXPECT_EQ(TempSettingsFile(Settings()), tempDirectory_ + "tevpng_shell_tests.ini");
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string directory(program);
    directory.resize(directory.find_last_of('\\') + 1);
    EXPECT_EQ(HostSettingsFile(Settings()), directory + "tevpng_shell_tests.ini");
}

TEST_F(SettingsFileTest, AnEmbeddedOrOwnedHostPageUsesTheTempFile) {
    auto child = tevtest::HostPage::ChildOfParent();
    ChooseSettingsFile(Settings(), child->Window());
    EXPECT_EQ(Settings().SettingsPath, tempFile_);

    auto owner = tevtest::HostPage::TopLevel();
    HWND owned = CreateWindowExA(0, "STATIC", "owned page", WS_POPUP, 0, 0, 10, 10, owner->Window(), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_EQ(GetParent(owned), owner->Window());
    Settings().SettingsPath.clear();
    ChooseSettingsFile(Settings(), owned);
    EXPECT_EQ(Settings().SettingsPath, tempFile_);
    DestroyWindow(owned);
    EXPECT_FALSE(Exists(hostFile_));
}

TEST_F(SettingsFileTest, AnUnownedTopLevelPageCopiesTheTempFileByteForByteAndReadsTheCopy) {
    const std::string temp =
        "; saved by the dialog\r\n[setting]\r\nusehot=5\r\nhot=Hot1\r\n\xC8\xEC\xFF trailing";
    WriteBytes(tempFile_, temp);
    WriteBytes(hostFile_, "[setting]\r\nusehot=0\r\nhot=Old\r\nand a longer old file than the new one\r\n");
    auto page = tevtest::HostPage::TopLevel();
    ChooseSettingsFile(Settings(), page->Window());
    EXPECT_EQ(Settings().SettingsPath, hostFile_);
    EXPECT_EQ(ReadBytes(hostFile_), temp);
    ReadSettings(Settings());
    EXPECT_EQ(Settings().HotspotName, "Hot1");
    EXPECT_TRUE(Settings().UseHotspot);
}

TEST_F(SettingsFileTest, WithoutATempFileTheHostFileIsReadUnchanged) {
    const std::string host = "[setting]\r\nhot=HostOnly\r\nusehot=1\r\n";
    WriteBytes(hostFile_, host);
    auto page = tevtest::HostPage::TopLevel();
    ChooseSettingsFile(Settings(), page->Window());
    ReadSettings(Settings());
    EXPECT_EQ(ReadBytes(hostFile_), host);
    EXPECT_EQ(Settings().HotspotName, "HostOnly");
    EXPECT_TRUE(Settings().UseHotspot);
}

// The host file cannot be replaced: it is read-only, which stops the copy on Windows, and
// held open by another program that allows only reading, which stops it under Wine too
// (Wine run as root writes read-only files).
TEST_F(SettingsFileTest, AFailedCopyOverAHostFileThatCannotBeWrittenIsIgnoredAndTheHostFileIsRead) {
    WriteBytes(tempFile_, "[setting]\r\nusehot=1\r\nhot=FromTemp\r\n");
    const std::string host = "[setting]\r\nusehot=0\r\nhot=ReadOnlyHost\r\n";
    WriteBytes(hostFile_, host);
    ASSERT_TRUE(SetFileAttributesA(hostFile_.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE reader = CreateFileA(hostFile_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    auto page = tevtest::HostPage::TopLevel();
    Settings().UseHotspot = true;
    ChooseSettingsFile(Settings(), page->Window());
    ReadSettings(Settings());
    CloseHandle(reader);
    SetFileAttributesA(hostFile_.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Settings().SettingsPath, hostFile_);
    EXPECT_EQ(ReadBytes(hostFile_), host) << "the copy failed: the host file stays as it was";
    EXPECT_EQ(Settings().HotspotName, "ReadOnlyHost");
    EXPECT_FALSE(Settings().UseHotspot);
}

TEST_F(SettingsFileTest, ADirectoryNamedLikeTheTempFileIsNotCopied) {
    ASSERT_TRUE(CreateDirectoryA(tempFile_.c_str(), nullptr));
    const std::string host = "[setting]\r\nhot=Kept\r\n";
    WriteBytes(hostFile_, host);
    auto page = tevtest::HostPage::TopLevel();
    ChooseSettingsFile(Settings(), page->Window());
    EXPECT_EQ(Settings().SettingsPath, hostFile_);
    EXPECT_EQ(ReadBytes(hostFile_), host);
}

TEST_F(SettingsFileTest, UseHotIsAnyNonZeroNumberAndEmptyOrTextIsFalse) {
    struct Case {
        const char* line;
        bool before;
        bool after;
    };
    const Case cases[] = {
        {"usehot=5", false, true},    {"usehot=1", false, true},   {"usehot=-1", false, true},
        {"usehot=7abc", false, true}, {"usehot=0", true, false},   {"usehot=", true, false},
        {"usehot=  ", true, false},   {"usehot=abc", true, false}, {"other=1", true, true},
        {"other=1", false, false},
    };
    for (const Case& c : cases) {
        ReadFrom(std::string("[setting]\r\n") + c.line + "\r\n", "", c.before);
        EXPECT_EQ(Settings().UseHotspot, c.after) << c.line << " from " << c.before;
    }
}

TEST_F(SettingsFileTest, HotIsReadAsStoredAndCutTo4095Characters) {
    const std::string longName = std::string(4094, 'n') + "XYZ" + std::string(900, 'm');
    ReadFrom("[setting]\r\nhot=" + longName + "\r\n", "before", false);
    EXPECT_EQ(Settings().HotspotName, longName.substr(0, 4095));

    ReadFrom("[setting]\r\nhot=\r\n", "before", false);
    EXPECT_EQ(Settings().HotspotName, "");

    // A missing key keeps the name exactly; the system would trim or unquote a default.
    for (const char* name : {"kept as is  ", "\"quoted\""}) {
        ReadFrom("[setting]\r\nusehot=1\r\n", name, false);
        EXPECT_EQ(Settings().HotspotName, name);
    }

    ReadFrom("[other]\r\nhot=Elsewhere\r\n", "kept", false);
    EXPECT_EQ(Settings().HotspotName, "kept");
}

TEST_F(SettingsFileTest, AMissingFileLeavesTheValues) {
    Settings().HotspotName = "Hot1";
    Settings().UseHotspot = true;
    Settings().SettingsPath = tempDirectory_ + "absent.ini";
    ReadSettings(Settings());
    EXPECT_EQ(Settings().HotspotName, "Hot1");
    EXPECT_TRUE(Settings().UseHotspot);
    EXPECT_EQ(Settings().ModuleName, "tevpng_shell_tests");
    EXPECT_FALSE(Exists(Settings().SettingsPath));

    Settings() = PluginSettings{};
    ReadSettings(Settings());  // no file chosen yet
    EXPECT_EQ(Settings().HotspotName, "");
    EXPECT_FALSE(Settings().UseHotspot);
}

TEST_F(SettingsFileTest, TheDialogLoadsFromTheTempFileNotFromTheChosenFile) {
    WriteBytes(tempFile_, "[setting]\r\nusehot=1\r\nhot=FromTemp\r\n");
    WriteBytes(hostFile_, "[setting]\r\nusehot=0\r\nhot=FromHost\r\n");
    Settings().SettingsPath = hostFile_;
    LoadDialogSettings(Settings());
    EXPECT_EQ(Settings().HotspotName, "FromTemp");
    EXPECT_TRUE(Settings().UseHotspot);
}

TEST_F(SettingsFileTest, TheDialogSavesUseHotThenHotToTheTempFile) {
    Settings().UseHotspot = true;
    Settings().HotspotName = "Hot1";
    SaveDialogSettings(Settings());
    EXPECT_EQ(ReadBytes(tempFile_), "[setting]\r\nusehot=1\r\nhot=Hot1\r\n");

    Settings().UseHotspot = false;
    Settings().HotspotName = "";
    SaveDialogSettings(Settings());
    EXPECT_EQ(ReadBytes(tempFile_), "[setting]\r\nusehot=0\r\nhot=\r\n");

    // A stored 5 reads as true and is written back as 1.
    WriteBytes(tempFile_, "[setting]\r\nusehot=5\r\nhot=Hot2\r\n");
    LoadDialogSettings(Settings());
    EXPECT_TRUE(Settings().UseHotspot);
    SaveDialogSettings(Settings());
    EXPECT_EQ(ReadBytes(tempFile_), "[setting]\r\nusehot=1\r\nhot=Hot2\r\n");
}

TEST_F(SettingsFileTest, ASavedValueReachesTheHostFileOnlyWhenTheFileIsChosenAgain) {
    auto page = tevtest::HostPage::TopLevel();
    ChooseSettingsFile(Settings(), page->Window());
    EXPECT_FALSE(Exists(hostFile_));
    Settings().UseHotspot = true;
    Settings().HotspotName = "Saved";
    SaveDialogSettings(Settings());
    EXPECT_FALSE(Exists(hostFile_));

    Settings() = PluginSettings{};
    RecomputeModuleName(Settings());
    ChooseSettingsFile(Settings(), page->Window());
    ReadSettings(Settings());
    EXPECT_EQ(ReadBytes(hostFile_), ReadBytes(tempFile_));
    EXPECT_EQ(Settings().HotspotName, "Saved");
    EXPECT_TRUE(Settings().UseHotspot);
}

}  // namespace
}  // namespace tevpng::host
