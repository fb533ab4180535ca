#include "files.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace tevtest {

std::string TempDirectory() {
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    return path;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

std::string FixturePath(const std::string& relative) { return std::string(TEVPNG_FIXTURES_DIR) + "/" + relative; }

std::string PngSuitePath(const std::string& name) { return FixturePath("pngsuite/" + name); }

}  // namespace tevtest
