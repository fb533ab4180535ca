// Every input that once crashed, hung or blew up a fuzzer (tests/fixtures/crashers/<target>/)
// runs again through the target that found it, in a child process, within the bounds that
// target fuzzes under (fuzz/limits.txt).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "child_run.h"
#include "fuzz_target.h"

namespace {

struct Bounds {
    double timeoutSeconds = 0;
    long rssMb = 0;
};

std::map<std::string, Bounds> ReadLimits() {
    std::map<std::string, Bounds> limits;
    std::ifstream file(TEVPNG_FUZZ_DIR "/limits.txt");
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name;
        Bounds bounds;
        fields >> name >> bounds.timeoutSeconds >> bounds.rssMb;
        limits[name] = bounds;
    }
    return limits;
}

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(FuzzRegression, EveryTargetHasBoundsAndEveryKeptFindingStaysWithinThem) {
    const auto limits = ReadLimits();
    ASSERT_FALSE(tevfuzz::Targets().empty());
    int findings = 0;
    for (const auto& [name, target] : tevfuzz::Targets()) {
        const tevfuzz::Entry entry = target;  // a structured binding cannot be captured
        ASSERT_EQ(limits.count(name), 1u) << name << " has no line in fuzz/limits.txt";
        const Bounds bounds = limits.at(name);
        const std::filesystem::path folder = std::filesystem::path(TEVPNG_FIXTURES_DIR) / "crashers" / name;
        if (!std::filesystem::exists(folder)) continue;
        for (const auto& file : std::filesystem::directory_iterator(folder)) {
            const std::vector<std::uint8_t> input = ReadAll(file.path());
            const tevtest::ChildRun run =
                tevtest::RunInChild([&] { entry(input.data(), input.size()); }, bounds.timeoutSeconds);
            const std::string what = name + "/" + file.path().filename().string() + ": " + run.Describe();
            EXPECT_TRUE(run.exited && run.exitCode == 0) << what;
            EXPECT_LE(run.seconds, bounds.timeoutSeconds) << what;
            EXPECT_LE(run.peakRssGrowthKb, bounds.rssMb * 1024) << what;
            ++findings;
        }
    }
    EXPECT_GT(findings, 0) << "the folder of kept findings is empty";
}

}  // namespace
