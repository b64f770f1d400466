#include "BufferedFileWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestFiles.h"
#include "UniqueHandle.h"

namespace {

UniqueFile OpenForWriting(const std::wstring& path, DWORD access = GENERIC_WRITE) {
    return UniqueFile(::CreateFileW(path.c_str(), access, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::string Pattern(std::size_t size, char seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i * 31 % 251);
    return bytes;
}

}  // namespace

// Pieces below, at and above the block size, in mixed order, land whole and
// in order; the file sees one write per block, not one per piece.
TEST(BufferedFileWriter, WritesEveryPieceInOrderInBlocks) {
    constexpr std::size_t kBlock = BufferedFileWriter::kBlock;
    const struct {
        const char* name;
        std::vector<std::size_t> pieces;
        int writes;
    } cases[] = {
        {"nothing", {}, 0},
        {"small pieces", {16384, 16384, 16384}, 1},
        {"pieces that fill more than a block", std::vector<std::size_t>(20, 16384), 2},
        {"one piece larger than a block", {100, kBlock + 1, 100}, 3},
        {"one piece of exactly a block", {kBlock}, 1},
    };
    const ScratchFolder folder;
    for (const auto& c : cases) {
        const std::wstring path = folder.Path() + L"out.bin";
        std::string expected;
        int writes = 0;
        {
            UniqueFile file = OpenForWriting(path);
            ASSERT_TRUE(file) << c.name;
            std::vector<std::uint8_t> buffer;
            BufferedFileWriter writer(file.Get(), buffer, [&] { ++writes; });
            char seed = 'a';
            for (std::size_t size : c.pieces) {
                const std::string piece = Pattern(size, seed++);
                writer.Write(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size());
                expected += piece;
            }
            writer.Flush();
        }
        EXPECT_EQ(ReadWholeFile(path), expected) << c.name;
        EXPECT_EQ(writes, c.writes) << c.name;
    }
}

TEST(BufferedFileWriter, AFailedWriteThrowsTheSystemErrorCode) {
    const ScratchFolder folder;
    UniqueFile file = OpenForWriting(folder.Path() + L"read-only-handle.bin", GENERIC_READ);
    ASSERT_TRUE(file);
    std::vector<std::uint8_t> buffer;
    BufferedFileWriter writer(file.Get(), buffer);
    const std::uint8_t byte = 1;
    writer.Write(&byte, 1);  // only buffered
    try {
        writer.Flush();
        FAIL() << "no error";
    } catch (const FileWriteError& e) {
        EXPECT_EQ(e.code, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
}
