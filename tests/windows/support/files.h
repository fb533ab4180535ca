#pragma once

#include <string>

namespace tevtest {

// The user's temporary directory, ending with a backslash.
std::string TempDirectory();

// Whole-file helpers; ReadFileBytes gives an empty string for a missing file.
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
void RemoveFile(const std::string& path);

// A file of the PngSuite or the test fixtures, as a Windows path.
std::string FixturePath(const std::string& relative);
std::string PngSuitePath(const std::string& name);

}  // namespace tevtest
