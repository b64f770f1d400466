// The name rules on their own: cases the archives do not show.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "TargetName.h"
#include "TestFiles.h"

TEST(TargetName, DeviceNames) {
    for (const wchar_t* device : {L"CON", L"con.txt", L"Con .log", L"PRN.", L"aux.tar.gz", L"NUL", L"COM1", L"com9.x",
                                  L"LPT1", L"lpt5.dat", L"COM\u00B9", L"LPT\u00B3.txt", L"CONIN$", L"conout$.txt"})
        EXPECT_TRUE(IsDeviceName(device)) << device;
    for (const wchar_t* file :
         {L"CONSOLE", L"con1", L"xcon", L"COM10", L"COM0", L"LPT", L"nul_", L"a.con", L"AUXI.txt", L"COM\u2074"})
        EXPECT_FALSE(IsDeviceName(file)) << file;
}

TEST(TargetName, OnlyDotsAndBlanks) {
    for (const wchar_t* name : {L".", L"..", L"...", L" .", L". ."})
        EXPECT_TRUE(IsOnlyDotsAndBlanks(name)) << name;
    for (const wchar_t* name : {L".x", L"x.", L"..a"})
        EXPECT_FALSE(IsOnlyDotsAndBlanks(name)) << name;
}

TEST(TargetName, Masks) {
    const struct {
        const wchar_t* mask;
        const wchar_t* name;
        bool match;
    } cases[] = {
        {L"*.*", L"README", true},        {L"*.*", L"a.b.c", true},           {L"*.exe", L"VENKOR.EXE", true},
        {L"*.exe", L"venkor.dll", false}, {L"v?nkor.*", L"Venkor.exe", true}, {L"a*b*c", L"aXbYbZc", true},
        {L"a*b*c", L"aXbYbZ", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesMask(c.mask, c.name), c.match) << c.mask << " " << c.name;
}

// The archive is recognised as a file, not by a name: under its short (8.3)
// name, through a hard link, in any letter case, with trailing dots and blanks.
TEST(TargetName, AFileIsKnownUnderEveryNameThatReachesIt) {
    const ScratchFolder folder;
    const std::wstring file = folder.Path() + L"archive-with-a-long-name.zip";
    WriteWholeFile(file, "");
    WriteWholeFile(folder.Path() + L"other.zip", "");
    wchar_t shortName[MAX_PATH]{};
    ASSERT_TRUE(::GetShortPathNameW(file.c_str(), shortName, MAX_PATH));
    ASSERT_TRUE(::CreateHardLinkW((folder.Path() + L"link.zip").c_str(), file.c_str(), nullptr));

    const auto identity = IdentityOf(file);
    ASSERT_TRUE(identity);
    for (const std::wstring& name :
         {folder.Path() + L"ARCHIVE-with-a-long-name.ZIP", folder.Path() + L"archive-with-a-long-name.zip. ",
          std::wstring(shortName), folder.Path() + L"link.zip"})
        EXPECT_TRUE(IdentityOf(name) == identity) << name;
    EXPECT_FALSE(IdentityOf(folder.Path() + L"other.zip") == identity);
    EXPECT_FALSE(IdentityOf(folder.Path() + L"missing.zip"));
}
