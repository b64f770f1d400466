#include <gtest/gtest.h>

#include "AbUnZipper.h"
#include "Failure.h"
#include "IdHTTP.h"
#include "InstallPlan.h"
#include "InstallRun.h"
#include "LoopbackServer.h"

namespace {

TEST(TargetFolder, IsOnTheChosenDriveOrNowhere) {
    EXPECT_EQ(InstallFolder(L'D'), L"D:\\VENKOR\\");
    EXPECT_EQ(InstallFolder(L'c'), L"c:\\VENKOR\\");
    // No drive chosen: no folder, and no text that holds a NUL.
    for (wchar_t notALetter : {L'\0', L'1', L':', L'\\', L'\u00c4'})
        EXPECT_EQ(InstallFolder(notALetter), L"") << static_cast<int>(notALetter);
}

TEST(TargetFolder, RunRefusesAFolderWithoutADrive) {
    LoopbackServer server({});
    TIdHTTP http;
    TAbUnZipper unzipper;
    for (const std::wstring& Pad : {std::wstring(), InstallFolder(L'\0'), std::wstring(L"VENKOR\\")}) {
        try {
            RunInstallation(Pad, http, unzipper, server.BaseUrl());
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.Message(), L"No drive has been chosen for the installation.");
        }
    }
    EXPECT_TRUE(server.Requests().empty());
}

}  // namespace
