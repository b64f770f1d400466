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

TEST(TargetName, TheArchiveIsKnownUnderItsOtherNames) {
    const ScratchFolder folder;
    const std::wstring archive = folder.Path() + L"archive-with-a-long-name.zip";
    WriteWholeFile(archive, "");
    const auto names = ArchiveNames(archive);
    EXPECT_TRUE(IsArchiveItself(folder.Path() + L"ARCHIVE-with-a-long-name.ZIP", names));
    EXPECT_TRUE(IsArchiveItself(folder.Path() + L"archive-with-a-long-name.zip. ", names));
    EXPECT_FALSE(IsArchiveItself(folder.Path() + L"archive.zip", names));
}
