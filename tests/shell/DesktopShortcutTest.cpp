#include "DesktopShortcut.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ComApartment.h"
#include "Failure.h"
#include "TestFiles.h"
#include "TestLinks.h"

namespace {

const wchar_t* const ShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::vector<BYTE> TextBytes(const std::wstring& text, bool terminated = true) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(bytes, bytes + (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}

std::vector<BYTE> WithOddByte(std::vector<BYTE> data) {
    data.push_back('x');
    return data;
}

std::wstring PlaceFailure(TShellLink& link, const std::wstring& pad, const DesktopRegistry& registry = {}) {
    try {
        PlaceDesktopShortcut(link, pad, registry);
    } catch (const Failure& failure) {
        return failure.Message();
    }
    return L"<no failure>";
}

// Every test changes the real "Shell Folders" key of this build's Wine
// prefix; the fixture copies the key aside first and puts it back after, and
// runs the test in a scratch folder as its current directory.
class DesktopShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        backup_ = L"Software\\SetupShellTestBackup" + std::to_wstring(GetCurrentProcessId());
        HKEY key = nullptr;
        hadKey_ = RegOpenKeyExW(HKEY_CURRENT_USER, ShellFolders, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (hadKey_) {
            HKEY copy = nullptr;
            ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, backup_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &copy,
                                      nullptr),
                      ERROR_SUCCESS);
            ASSERT_EQ(RegCopyTreeW(key, nullptr, copy), ERROR_SUCCESS);
            RegCloseKey(copy);
            RegCloseKey(key);
        }
        wchar_t directory[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, directory);
        oldDirectory_ = directory;
        ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
        // "\Venkor.lnk" is the root of the current drive, which is the scratch folder's.
        rootLink_ = folder.Path().substr(0, 2) + L"\\Venkor.lnk";
        ASSERT_FALSE(FileExists(rootLink_)) << "a link is already at the drive root";
    }

    void TearDown() override {
        DeleteFileW(rootLink_.c_str());
        SetCurrentDirectoryW(oldDirectory_.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, ShellFolders);
        if (hadKey_) {
            HKEY key = nullptr, copy = nullptr;
            RegCreateKeyExW(HKEY_CURRENT_USER, ShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
            RegOpenKeyExW(HKEY_CURRENT_USER, backup_.c_str(), 0, KEY_READ, &copy);
            EXPECT_EQ(RegCopyTreeW(copy, nullptr, key), ERROR_SUCCESS);
            RegCloseKey(copy);
            RegCloseKey(key);
            RegDeleteTreeW(HKEY_CURRENT_USER, backup_.c_str());
        }
    }

    void SetDesktop(DWORD type, const std::vector<BYTE>& data) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, ShellFolders, L"Desktop", type, data.data(),
                                  static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }
    void SetDesktop(const std::wstring& folder) { SetDesktop(REG_SZ, TextBytes(folder)); }
    void DeleteDesktop() { RegDeleteKeyValueW(HKEY_CURRENT_USER, ShellFolders, L"Desktop"); }

    ComApartment apartment;
    ScratchFolder folder;
    std::wstring rootLink_;

private:
    std::wstring backup_;
    std::wstring oldDirectory_;
    bool hadKey_ = false;
};

TEST_F(DesktopShortcutTest, WritesTheVenkorLinkIntoTheDesktopFolder) {
    const std::wstring desk = folder.Path() + L"Desk";
    ASSERT_TRUE(CreateDirectoryW(desk.c_str(), nullptr));
    SetDesktop(desk);

    TShellLink ShellLink1;
    PlaceDesktopShortcut(ShellLink1, L"D:\\VENKOR\\");

    EXPECT_EQ(ShellLink1.LinkFile(), desk + L"\\Venkor.lnk");
    const LinkContents read = ReadLink(desk + L"\\Venkor.lnk");
    EXPECT_EQ(read.path, L"D:\\VENKOR\\VENKOR.EXE");
    EXPECT_EQ(read.workingDirectory, L"D:\\VENKOR\\");
    EXPECT_EQ(read.description, L"Venkor");
    EXPECT_EQ(read.arguments, L"");
    EXPECT_EQ(read.showCommand, SW_SHOWNORMAL);
    EXPECT_EQ(read.hotKey, 0);
    EXPECT_EQ(read.iconFile, L"");
}

TEST_F(DesktopShortcutTest, FormsTheLinkPathFromTheStoredText) {
    const std::wstring desk = folder.Path() + L"Desk";
    const struct {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
    } rows[] = {
        {"without trailing backslash", REG_SZ, TextBytes(desk)},
        {"with trailing backslash", REG_SZ, TextBytes(desk + L"\\")},
        {"expandable", REG_EXPAND_SZ, TextBytes(desk)},
        {"without terminating zero", REG_SZ, TextBytes(desk, false)},
        {"odd byte count", REG_SZ, WithOddByte(TextBytes(desk, false))},
        {"text ends at the first zero", REG_SZ, TextBytes(desk + std::wstring(1, L'\0') + L"junk")},
    };
    ASSERT_TRUE(CreateDirectoryW(desk.c_str(), nullptr));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SetDesktop(row.type, row.data);
        TShellLink ShellLink1;
        PlaceDesktopShortcut(ShellLink1, L"D:\\VENKOR\\");
        EXPECT_EQ(ShellLink1.LinkFile(), desk + L"\\Venkor.lnk");
        EXPECT_EQ(ReadLink(desk + L"\\Venkor.lnk").path, L"D:\\VENKOR\\VENKOR.EXE");
        DeleteFileW((desk + L"\\Venkor.lnk").c_str());
    }
}

TEST_F(DesktopShortcutTest, LeavesAnExpandableValueUnexpanded) {
    SetDesktop(REG_EXPAND_SZ, TextBytes(L"%USERPROFILE%\\Desktop"));
    TShellLink ShellLink1;
    EXPECT_NO_THROW(PlaceDesktopShortcut(ShellLink1, L"D:\\VENKOR\\"));
    EXPECT_EQ(ShellLink1.LinkFile(), L"%USERPROFILE%\\Desktop\\Venkor.lnk");
}

TEST_F(DesktopShortcutTest, WithoutDesktopTextTheLinkGoesToTheDriveRoot) {
    const struct {
        const char* name;
        bool value;
        std::vector<BYTE> data;
    } rows[] = {{"no value", false, {}}, {"zero bytes", true, {}}, {"empty text", true, TextBytes(L"")}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteDesktop();
        if (row.value) SetDesktop(REG_SZ, row.data);
        TShellLink ShellLink1;
        PlaceDesktopShortcut(ShellLink1, L"D:\\VENKOR\\");
        EXPECT_EQ(ShellLink1.LinkFile(), L"\\Venkor.lnk");
        EXPECT_EQ(ReadLink(rootLink_).path, L"D:\\VENKOR\\VENKOR.EXE");
        DeleteFileW(rootLink_.c_str());
    }
}

TEST_F(DesktopShortcutTest, CreatesAMissingKeyAndWritesToTheDriveRoot) {
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, ShellFolders), ERROR_SUCCESS);
    TShellLink ShellLink1;
    PlaceDesktopShortcut(ShellLink1, L"D:\\VENKOR\\");

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, ShellFolders, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(ShellLink1.LinkFile(), L"\\Venkor.lnk");
    EXPECT_EQ(ReadLink(rootLink_).description, L"Venkor");
}

TEST_F(DesktopShortcutTest, AValueThatIsNotTextFails) {
    const DWORD number = 42;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&number);
    const std::wstring desk = folder.Path() + L"Desk";
    const struct {
        DWORD type;
        std::vector<BYTE> data;
    } rows[] = {{REG_DWORD, {bytes, bytes + sizeof number}},
                {REG_BINARY, TextBytes(desk)},
                {REG_MULTI_SZ, TextBytes(desk + std::wstring(1, L'\0'))}};
    ASSERT_TRUE(CreateDirectoryW(desk.c_str(), nullptr));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        SetDesktop(row.type, row.data);
        TShellLink ShellLink1;
        EXPECT_EQ(PlaceFailure(ShellLink1, L"D:\\VENKOR\\"), L"Invalid data type for 'Desktop'");
        // What was set before the failure stays; no link is written anywhere.
        EXPECT_EQ(ShellLink1.Description(), L"Venkor");
        EXPECT_EQ(ShellLink1.ProgramFile(), L"D:\\VENKOR\\VENKOR.EXE");
        EXPECT_EQ(ShellLink1.LinkFile(), L"");
        EXPECT_FALSE(FileExists(desk + L"\\Venkor.lnk"));
        EXPECT_FALSE(FileExists(rootLink_));
    }
}

TEST_F(DesktopShortcutTest, AValueThatChangesBetweenItsReadsFails) {
    SetDesktop(folder.Path() + L"Desk");
    // The real registry answers the size query; the data query then finds
    // the value grown (or gone), as it may when it changes in between.
    for (const LSTATUS second : {ERROR_MORE_DATA, ERROR_FILE_NOT_FOUND}) {
        SCOPED_TRACE(second);
        int queries = 0;
        DesktopRegistry registry;
        registry.QueryValue = [&](HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
            return ++queries == 2 ? second : RegQueryValueExW(key, name, reserved, type, data, size);
        };
        TShellLink ShellLink1;
        EXPECT_EQ(PlaceFailure(ShellLink1, L"D:\\VENKOR\\", registry), L"Failed to get data for 'Desktop'");
        EXPECT_EQ(queries, 2);
        EXPECT_EQ(ShellLink1.LinkFile(), L"");
    }
}

TEST_F(DesktopShortcutTest, AKeyThatCannotBeOpenedMeansNoShortcutAndNoMessage) {
    SetDesktop(folder.Path());
    bool queried = false;
    DesktopRegistry registry;
    registry.CreateKey = [](HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY,
                            LPDWORD) -> LSTATUS { return ERROR_ACCESS_DENIED; };
    registry.QueryValue = [&](HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) -> LSTATUS {
        queried = true;
        return ERROR_SUCCESS;
    };
    TShellLink ShellLink1;
    EXPECT_EQ(PlaceFailure(ShellLink1, L"D:\\VENKOR\\", registry), L"<no failure>");
    EXPECT_FALSE(queried);
    EXPECT_EQ(ShellLink1.Description(), L"");
    EXPECT_FALSE(FileExists(folder.Path() + L"Venkor.lnk"));
}

TEST_F(DesktopShortcutTest, OpensTheKeyForAllAccessAndKeepsIt) {
    SetDesktop(folder.Path());
    DesktopRegistry registry;
    REGSAM access = 0;
    DWORD options = ~0u;
    registry.CreateKey = [&](HKEY root, LPCWSTR path, DWORD reserved, LPWSTR keyClass, DWORD option, REGSAM sam,
                             LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition) {
        access = sam;
        options = option;
        return RegCreateKeyExW(root, path, reserved, keyClass, option, sam, security, key, disposition);
    };
    TShellLink ShellLink1;
    PlaceDesktopShortcut(ShellLink1, L"D:\\VENKOR\\", registry);
    EXPECT_EQ(access, static_cast<REGSAM>(KEY_ALL_ACCESS));
    EXPECT_EQ(options, static_cast<DWORD>(REG_OPTION_NON_VOLATILE));
    EXPECT_TRUE(FileExists(folder.Path() + L"Venkor.lnk"));
}

TEST_F(DesktopShortcutTest, AFailureOfWritePassesThrough) {
    SetDesktop(folder.Path());
    TShellLink ShellLink1([](REFCLSID, IUnknown*, DWORD, REFIID, void** out) {
        *out = nullptr;
        return static_cast<HRESULT>(0x8BADF00D);
    });
    EXPECT_EQ(PlaceFailure(ShellLink1, L"D:\\VENKOR\\"),
              L"OLE error 8badf00d, ClassID: {00021401-0000-0000-C000-000000000046}");
    EXPECT_EQ(ShellLink1.LinkFile(), folder.Path() + L"Venkor.lnk");
}

}  // namespace
