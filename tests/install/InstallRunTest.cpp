// The installation run against a loopback file server. Wine drive V: is a
// folder of this test alone (with_drive.sh), so the run writes V:\VENKOR\.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include "Failure.h"
#include "InstallPlan.h"
#include "InstallRun.h"
#include "InstallRunFixture.h"
#include "LoopbackServer.h"
#include "TestFiles.h"

namespace fs = std::filesystem;

namespace {

std::string Archive(const std::string& name) {
    std::string path = "Z:" + std::string(ZIP_ARCHIVES) + "/" + name;
    return ReadWholeFile(path);
}
Reply Ok(const std::string& body) {
    return {{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body}};
}
Reply NotFound() { return {{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}}; }

class InstallRun : public InstallRunFixture {
protected:
    std::optional<std::wstring> Run(LoopbackServer& server) { return InstallRunFixture::Run(server.BaseUrl()); }
    static std::vector<std::string> Paths(const LoopbackServer& server) {
        std::vector<std::string> paths;
        for (const auto& head : server.Requests())
            paths.push_back(head.substr(0, head.find("\r\n")));
        return paths;
    }
};

TEST_F(InstallRun, UnpacksMainThenUpgradeIntoTheFolderOnTheChosenDrive) {
    // An existing folder is used as it is; its files are replaced.
    fs::create_directories(fs::path(kPad));
    std::ofstream(fs::path(kPad + L"VENKOR.EXE")) << "installed long ago";
    LoopbackServer server({Ok(Archive("py-main.zip")), Ok(Archive("py-upgrade.zip"))});

    EXPECT_EQ(Run(server), std::nullopt);
    EXPECT_EQ(Pad, kPad);
    EXPECT_EQ(Paths(server), (std::vector<std::string>{"GET /venkor/Files/main.zip HTTP/1.1",
                                                       "GET /venkor/Files/upgrade.zip HTTP/1.1"}));
    // Both archives are gone; upgrade.zip replaced what main.zip brought,
    // except the file main.zip made read-only.
    EXPECT_EQ(Listing(), (std::set<std::wstring>{L"VENKOR.EXE", L"only-main.txt", L"locked.txt"}));
    EXPECT_EQ(Content(L"VENKOR.EXE"), "upgrade version");
    EXPECT_EQ(Content(L"locked.txt"), "main read-only");
}

TEST_F(InstallRun, CreatesTheFolder) {
    LoopbackServer server({Ok(Archive("py-main.zip")), Ok(Archive("py-empty.zip"))});
    EXPECT_EQ(Run(server), std::nullopt);
    EXPECT_EQ(Content(L"only-main.txt"), "main");
}

TEST_F(InstallRun, AFailedMainDownloadEndsTheRunBeforeAnythingIsUnpacked) {
    LoopbackServer server({NotFound(), Ok(Archive("py-upgrade.zip"))});
    EXPECT_EQ(Run(server), L"HTTP/1.1 404 Not Found");
    EXPECT_EQ(Paths(server).size(), 1u);
    EXPECT_EQ(Listing().count(L"VENKOR.EXE"), 0u);
}

TEST_F(InstallRun, AFailedUpgradeDownloadKeepsWhatMainBrought) {
    LoopbackServer server({Ok(Archive("py-main.zip")), NotFound()});
    EXPECT_EQ(Run(server), L"HTTP/1.1 404 Not Found");
    EXPECT_EQ(Content(L"VENKOR.EXE"), "main version");
    EXPECT_EQ(Listing().count(L"main.zip"), 0u);
}

TEST_F(InstallRun, AnHtmlPageInsteadOfTheArchiveEndsTheRunAndStays) {
    const std::string page = Archive("bad-html.zip");
    LoopbackServer server({Ok(page), Ok(Archive("py-upgrade.zip"))});
    EXPECT_EQ(Run(server), L"Unhandled Archive Type");
    EXPECT_EQ(Paths(server).size(), 1u);
    EXPECT_EQ(Content(L"main.zip"), page);
}

TEST_F(InstallRun, AnEntryThatCannotBeWrittenEndsTheRunOnItsMessage) {
    LoopbackServer server({Ok(Archive("mend-crc.zip")), Ok(Archive("py-upgrade.zip"))});
    EXPECT_EQ(Run(server),
              L"Could not extract \"crc.txt\" from the archive: its data does not match its CRC-32 checksum.");
    EXPECT_EQ(Paths(server).size(), 1u);
    EXPECT_EQ(Content(L"good.txt"), "good entry\r\n");
    // The archive stays, closed: the user can delete it while the failure shows.
    EXPECT_TRUE(::DeleteFileW((kPad + L"main.zip").c_str()));
}

}  // namespace
