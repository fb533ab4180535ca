#include "codec/crc.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

namespace tevpng {
namespace {

TEST(Crc, KnownValues) {
    const std::uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(~UpdateCrc(0xFFFFFFFFu, check, sizeof check), 0xCBF43926u);
    const std::uint8_t iend[] = {'I', 'E', 'N', 'D'};
    EXPECT_EQ(ChunkCrc(iend, nullptr, 0), 0xAE426082u);  // the CRC every IEND chunk carries
    EXPECT_EQ(UpdateCrc(0x12345678u, nullptr, 0), 0x12345678u);
}

// Against zlib's crc32 over every length around the 8-byte steps, in one go and in pieces.
TEST(Crc, AgreesWithZlib) {
    std::mt19937 random(3);
    std::vector<std::uint8_t> data(5000);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    for (std::size_t length = 0; length < 70; ++length) {
        const auto expected = static_cast<std::uint32_t>(crc32(0, data.data() + 1, static_cast<uInt>(length)));
        ASSERT_EQ(~UpdateCrc(0xFFFFFFFFu, data.data() + 1, length), expected) << length;
    }
    std::uint32_t running = 0xFFFFFFFFu;
    std::size_t at = 0;
    for (std::size_t piece = 1; at < data.size(); ++piece) {
        const std::size_t size = std::min(piece * 13 % 97, data.size() - at);
        running = UpdateCrc(running, data.data() + at, size);
        at += size;
    }
    EXPECT_EQ(~running, static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size()))));
}

}  // namespace
}  // namespace tevpng
