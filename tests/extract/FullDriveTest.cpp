// Extraction onto a drive that fills up. V: is a drive of this test alone;
// with_drive.sh makes it a small one (a size-limited tmpfs) where it may
// mount, as root.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "AbUnZipper.h"
#include "Failure.h"
#include "SystemErrorText.h"
#include "TestFiles.h"
#include "UnpackArchive.h"

namespace fs = std::filesystem;

namespace {

std::wstring Made(const std::string& name) {
    std::wstring path = L"Z:";
    for (char c : std::string(ZIP_ARCHIVES) + "/" + name)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

std::uint64_t FreeBytes() {
    ULARGE_INTEGER free{};
    ::GetDiskFreeSpaceExW(L"V:\\", &free, nullptr, nullptr);
    return free.QuadPart;
}

TEST(FullDrive, AFailedWriteLeavesNoPartialFileAndNamesTheEntry) {
    ULARGE_INTEGER total{};
    ASSERT_TRUE(::GetDiskFreeSpaceExW(L"V:\\", nullptr, &total, nullptr));
    if (total.QuadPart > (16u << 20)) GTEST_SKIP() << "V: is no small drive here (mounting one needs root)";

    // big.bin decodes to 4 MiB; the drive holds 1 MiB.
    const std::wstring archive = L"V:\\main.zip";
    ASSERT_TRUE(::CopyFileW(Made("full-drive.zip").c_str(), archive.c_str(), FALSE));
    const std::uint64_t before = FreeBytes();
    TAbUnZipper unzipper;
    std::optional<std::wstring> failure;
    try {
        UnpackArchive(unzipper, archive);
    } catch (const Failure& f) {
        failure = f.Message();
    }
    EXPECT_EQ(failure, L"Could not extract \"big.bin\" from the archive: the file cannot be written (" +
                           SystemErrorText(ERROR_DISK_FULL) + L").");
    std::set<std::wstring> names;
    for (auto& f : fs::directory_iterator(fs::path(L"V:\\")))
        names.insert(f.path().filename().wstring());
    EXPECT_EQ(names, (std::set<std::wstring>{L"good.txt", L"later.txt", L"main.zip"}));
    EXPECT_EQ(ReadWholeFile(L"V:\\later.txt"), "after the bad one\r\n");
    // The space the partial file took is free again.
    EXPECT_GT(FreeBytes() + 64 * 1024, before);
}

}  // namespace
