#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "codec/png_image.h"
#include "hostile_pngs.h"
#include "io/file_stream.h"
#include "io/memory_stream.h"
#include "io/read_ahead_stream.h"
#include "png_memory.h"

namespace tevpng {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(MemoryStream, SeekingBeyondTheEndGrowsIt) {
    MemoryStream stream(Bytes(10, 7));
    EXPECT_EQ(stream.Seek(100, SeekOrigin::Begin), 100);
    EXPECT_EQ(stream.Size(), 100);
    EXPECT_EQ(stream.Bytes()[9], 7);
    EXPECT_EQ(stream.Bytes()[99], 0);
    EXPECT_EQ(stream.Seek(-10, SeekOrigin::End), 90);
    EXPECT_EQ(stream.Seek(5, SeekOrigin::Current), 95);
    EXPECT_EQ(stream.Position(), 95);
}

TEST(MemoryStream, SeekBeforeTheStartFailsAndKeepsThePosition) {
    MemoryStream stream(Bytes(10, 7));
    stream.Seek(4, SeekOrigin::Begin);
    EXPECT_EQ(stream.Seek(-5, SeekOrigin::Current), -1);
    EXPECT_EQ(stream.Seek(INT64_MAX, SeekOrigin::Current), -1);
    EXPECT_EQ(stream.Position(), 4);
    EXPECT_EQ(stream.Size(), 10);
}

TEST(MemoryStream, ReadsAtMostWhatIsLeft) {
    MemoryStream stream(Bytes{1, 2, 3, 4, 5});
    std::uint8_t buffer[8] = {};
    stream.Seek(3, SeekOrigin::Begin);
    EXPECT_EQ(stream.Read(buffer, 8), 2u);
    EXPECT_EQ(buffer[0], 4);
    EXPECT_EQ(buffer[1], 5);
    EXPECT_EQ(stream.Read(buffer, 8), 0u);
    EXPECT_EQ(stream.Position(), 5);
}

TEST(MemoryStream, WritesGrowItAndOverwriteInPlace) {
    MemoryStream stream;
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Write("abcdef", 6), 6u);
    stream.Seek(0, SeekOrigin::Begin);
    EXPECT_EQ(stream.Write("XY", 2), 2u);
    EXPECT_EQ(stream.Size(), 6);  // a shorter write leaves the old tail
    EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()), "XYcdef");
    EXPECT_EQ(stream.Position(), 2);
}

TEST(MemoryStream, SetSizeClampsThePosition) {
    MemoryStream stream(Bytes(10, 1));
    stream.Seek(8, SeekOrigin::Begin);
    EXPECT_TRUE(stream.SetSize(4));
    EXPECT_EQ(stream.Size(), 4);
    EXPECT_EQ(stream.Position(), 4);
    EXPECT_TRUE(stream.SetSize(6));
    EXPECT_EQ(stream.Bytes()[5], 0);
    EXPECT_FALSE(stream.SetSize(-1));
}

TEST(MemoryStream, LendsItsBytesInsteadOfCopying) {
    MemoryStream stream(Bytes{1, 2, 3, 4, 5});
    stream.Seek(1, SeekOrigin::Begin);
    std::size_t got = 0;
    const std::uint8_t* lent = stream.Borrow(3, got);
    ASSERT_NE(lent, nullptr);
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(lent, stream.Bytes().data() + 1);
    EXPECT_EQ(stream.Position(), 4);
    stream.Borrow(10, got);
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(stream.Position(), 5);
}

// A memory stream that counts the calls that would be system calls on a file.
class CountingStream final : public Stream {
public:
    explicit CountingStream(Bytes bytes) : memory_(std::move(bytes)) {}
    std::size_t Read(void* buffer, std::size_t count) override {
        ++calls;
        return memory_.Read(buffer, count);
    }
    std::size_t Write(const void* buffer, std::size_t count) override { return memory_.Write(buffer, count); }
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override {
        ++calls;
        return memory_.Seek(offset, origin);
    }
    std::int64_t Size() override { return memory_.Size(); }
    bool SetSize(std::int64_t size) override { return memory_.SetSize(size); }
    int calls = 0;

private:
    MemoryStream memory_;
};

Bytes NumberedBytes(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

// Random reads, lends and seeks of every origin, across block edges and past both ends,
// give what the same calls on the stream itself give.
TEST(ReadAheadStream, GivesWhatTheStreamBehindItGives) {
    constexpr std::size_t kBlock = ReadAheadStream::kBlockSize;
    const Bytes data = NumberedBytes(3 * kBlock + kBlock / 2);
    const auto size = static_cast<std::int64_t>(data.size());
    MemoryStream reference{Bytes(data)};
    MemoryStream source{Bytes(data)};
    source.Seek(5, SeekOrigin::Begin);
    reference.Seek(5, SeekOrigin::Begin);
    ReadAheadStream ahead(source);
    const std::size_t readSizes[] = {0, 1, 4, 8, 13, 1000, kBlock - 1, kBlock, kBlock + 3, 2 * kBlock};
    std::mt19937 random(7);
    Bytes got(3 * kBlock), expected(3 * kBlock);
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(step);
        switch (random() % 4) {
            case 0: {
                const std::size_t count = readSizes[random() % std::size(readSizes)];
                const std::size_t n = ahead.Read(got.data(), count);
                ASSERT_EQ(n, reference.Read(expected.data(), count));
                ASSERT_TRUE(
                    std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(n), expected.begin()));
                break;
            }
            case 1: {
                std::size_t lent = 0;
                const std::uint8_t* at = ahead.Borrow(readSizes[random() % std::size(readSizes)], lent);
                ASSERT_NE(at, nullptr);
                ASSERT_EQ(reference.Read(expected.data(), lent), lent);
                ASSERT_TRUE(std::equal(at, at + lent, expected.begin()));
                break;
            }
            case 2: {
                const std::int64_t target = static_cast<std::int64_t>(random() % (data.size() + 20)) - 10;
                const auto origin = static_cast<SeekOrigin>(random() % 3);
                const std::int64_t offset = origin == SeekOrigin::Begin     ? target
                                            : origin == SeekOrigin::Current ? target - reference.Position()
                                                                            : target - size;
                if (target > size) break;  // a memory stream would grow to meet it
                ASSERT_EQ(ahead.Seek(offset, origin), reference.Seek(offset, origin));
                break;
            }
            default:
                ASSERT_EQ(ahead.Seek(INT64_MAX, SeekOrigin::Current), -1);
                break;
        }
        ASSERT_EQ(ahead.Position(), reference.Position());
    }
    EXPECT_EQ(ahead.Size(), size);
    EXPECT_EQ(ahead.Write("x", 1), 0u);
    EXPECT_FALSE(ahead.SetSize(0));
}

// A file of 80,000 small chunks is read in blocks: its calls on the stream behind go with
// its size, not with its chunk count.
TEST(ReadAheadStream, AFileOfManySmallChunksCostsAFewReads) {
    const Bytes png = tevtest::ManyEmptyChunks(80'000);
    CountingStream source{Bytes(png)};
    ReadAheadStream ahead(source);
    PngImage image;
    ASSERT_TRUE(image.LoadStream(ahead));
    EXPECT_EQ(image.Width(), 64);
    // A read per block, and a seek where a skipped chunk crosses the end of a block; read
    // piece by piece, the file costs 160,000 calls.
    const int blocks = static_cast<int>(png.size() / ReadAheadStream::kBlockSize) + 1;
    EXPECT_LE(source.calls, 2 * blocks + 2);

    PngImage direct;
    ASSERT_TRUE(tevtest::LoadPng(direct, png));
    EXPECT_EQ(tevtest::SavePng(image), tevtest::SavePng(direct));
}

class FileStreamTest : public testing::Test {
protected:
    void SetUp() override {
        path_ = testing::TempDir() + "tevpng_stream_test_" +
                testing::UnitTest::GetInstance()->current_test_info()->name() + ".bin";
        std::remove(path_.c_str());
    }
    void TearDown() override { std::remove(path_.c_str()); }
    std::string path_;
};

TEST_F(FileStreamTest, FileEndsWhereTheLastWriteEnded) {
    {
        FileStream out(path_.c_str(), FileMode::Create);
        ASSERT_TRUE(out.IsOpen());
        EXPECT_EQ(out.Write("0123456789", 10), 10u);
        EXPECT_EQ(out.Seek(0, SeekOrigin::Begin), 0);
        EXPECT_EQ(out.Write("abc", 3), 3u);
        EXPECT_EQ(out.Size(), 3);
    }
    FileStream in(path_.c_str(), FileMode::Read);
    ASSERT_TRUE(in.IsOpen());
    EXPECT_EQ(in.Size(), 3);
    char buffer[8] = {};
    EXPECT_EQ(in.Read(buffer, 8), 3u);
    EXPECT_EQ(std::string(buffer), "abc");
    EXPECT_EQ(in.Position(), 3);
    EXPECT_EQ(in.Seek(1, SeekOrigin::Begin), 1);
    EXPECT_EQ(in.Read(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 'b');
}

TEST_F(FileStreamTest, CreateReplacesAnExistingFile) {
    { FileStream(path_.c_str(), FileMode::Create).Write("long contents", 13); }
    { FileStream(path_.c_str(), FileMode::Create).Write("ab", 2); }
    FileStream in(path_.c_str(), FileMode::Read);
    EXPECT_EQ(in.Size(), 2);
}

TEST_F(FileStreamTest, SetSizeCutsTheFile) {
    FileStream out(path_.c_str(), FileMode::Create);
    out.Write("0123456789", 10);
    EXPECT_TRUE(out.SetSize(4));
    EXPECT_EQ(out.Size(), 4);
    EXPECT_EQ(out.Position(), 4);
}

TEST_F(FileStreamTest, FilesDoNotLendTheirBytes) {
    { FileStream(path_.c_str(), FileMode::Create).Write("abc", 3); }
    FileStream in(path_.c_str(), FileMode::Read);
    std::size_t got = 7;
    EXPECT_EQ(in.Borrow(3, got), nullptr);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(in.Position(), 0);
}

TEST_F(FileStreamTest, MissingFileGivesAStreamWhoseReadsFail) {
    FileStream in(path_.c_str(), FileMode::Read);
    EXPECT_FALSE(in.IsOpen());
    char buffer[4];
    EXPECT_EQ(in.Read(buffer, 4), 0u);
    EXPECT_EQ(in.Write("x", 1), 0u);
    EXPECT_EQ(in.Size(), 0);
    EXPECT_EQ(in.Seek(0, SeekOrigin::Begin), -1);
}

}  // namespace
}  // namespace tevpng
