#pragma once
// The installation run of a signed release on Wine drive V: (with_drive.sh),
// for the tests of signed and https installations: V:\VENKOR\ emptied
// before and after each test, and the run with a given source, its failure
// text returned.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "Failure.h"
#include "InstallPlan.h"
#include "InstallRun.h"
#include "TestFiles.h"

// A file of a folder made at build time, read through Wine's Z: drive.
inline std::string MadeFile(const char* folder, const std::string& name) {
    return ReadWholeFile("Z:" + std::string(folder) + "/" + name);
}

class SignedRunFixture : public ::testing::Test {
protected:
    inline static const std::wstring kPad = L"V:\\VENKOR\\";

    void SetUp() override { Clear(); }
    void TearDown() override {
        unzipper.CloseArchive();  // an archive that failed stays open until then
        Clear();
    }
    static void Clear() {
        std::error_code ec;
        for (auto& f : std::filesystem::recursive_directory_iterator(kPad, ec))
            ::SetFileAttributesW(f.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove_all(kPad, ec);
    }

    std::optional<std::wstring> Run(const InstallSource& source) {
        try {
            RunInstallation(InstallFolder(L'V'), http, unzipper, source);
        } catch (const Failure& f) {
            return f.Message();
        }
        return std::nullopt;
    }

    static std::set<std::wstring> Listing() {
        std::set<std::wstring> names;
        for (auto& f : std::filesystem::directory_iterator(kPad))
            names.insert(f.path().filename().wstring());
        return names;
    }

    TIdHTTP http;
    TAbUnZipper unzipper;
};
