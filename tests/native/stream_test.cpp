#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "io/file_stream.h"
#include "io/memory_stream.h"

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
