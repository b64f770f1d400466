#include "ShellLink.h"

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "ComApartment.h"
#include "Failure.h"
#include "SystemErrorText.h"
#include "TestFiles.h"
#include "TestLinks.h"

namespace {

const std::wstring ClassId = L"{00021401-0000-0000-C000-000000000046}";

// A shell link object that records what it is told. It can leave out either
// interface, and counts its references so a test can see all were released.
class FakeShellLink : public IShellLinkW, public IPersistFile {
public:
    bool offerLink = true;
    bool offerFile = true;
    ULONG references = 0;
    std::vector<std::wstring> calls;  // "SetPath D:\x", ... in call order

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IUnknown)
            *out = static_cast<IShellLinkW*>(this);
        else if (iid == IID_IShellLinkW && offerLink)
            *out = static_cast<IShellLinkW*>(this);
        else if (iid == IID_IPersistFile && offerFile)
            *out = static_cast<IPersistFile*>(this);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    HRESULT STDMETHODCALLTYPE SetArguments(LPCWSTR text) override { return Record(L"SetArguments", text); }
    HRESULT STDMETHODCALLTYPE SetDescription(LPCWSTR text) override { return Record(L"SetDescription", text); }
    HRESULT STDMETHODCALLTYPE SetHotkey(WORD key) override { return Record(L"SetHotkey", std::to_wstring(key)); }
    HRESULT STDMETHODCALLTYPE SetIconLocation(LPCWSTR file, int index) override {
        return Record(L"SetIconLocation", file, L" " + std::to_wstring(index));
    }
    HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR text) override { return Record(L"SetPath", text); }
    HRESULT STDMETHODCALLTYPE SetShowCmd(int show) override { return Record(L"SetShowCmd", std::to_wstring(show)); }
    HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCWSTR text) override {
        return Record(L"SetWorkingDirectory", text);
    }
    HRESULT STDMETHODCALLTYPE Save(LPCOLESTR file, BOOL remember) override {
        return Record(L"Save", file, remember ? L" remember" : L"");
    }
    // Whatever the object answers after creation must not matter to Write.
    HRESULT Record(const wchar_t* name, LPCWSTR text, const std::wstring& rest = L"") {
        calls.push_back(std::wstring(name) + L" " + (text ? std::wstring(text) : L"<null>") + rest);
        return E_FAIL;
    }
    HRESULT Record(const wchar_t* name, const std::wstring& value) { return Record(name, value.c_str()); }

    HRESULT STDMETHODCALLTYPE GetPath(LPWSTR, int, WIN32_FIND_DATAW*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDescription(LPWSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPWSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetArguments(LPWSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHotkey(WORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetShowCmd(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIconLocation(LPWSTR, int, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRelativePath(LPCWSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*) override { return E_NOTIMPL; }
};

struct Creation {
    bool called = false;
    CLSID classId = {};
    IUnknown* outer = reinterpret_cast<IUnknown*>(1);
    DWORD context = 0;
    IID interfaceId = {};
};

// A factory that hands out `fake` and notes how it was asked.
ShellLinkFactory FakeFactory(FakeShellLink& fake, Creation& creation) {
    return [&fake, &creation](REFCLSID classId, IUnknown* outer, DWORD context, REFIID iid, void** out) {
        creation = {true, classId, outer, context, iid};
        return fake.QueryInterface(iid, out);
    };
}

std::wstring WriteFailure(TShellLink& link) {
    try {
        link.Write();
    } catch (const Failure& failure) {
        return failure.Message();
    }
    return L"<no failure>";
}

class ShellLinkTest : public ::testing::Test {
protected:
    ComApartment apartment;
    ScratchFolder folder;
};

TEST(ShellLinkProperties, StartEmptyWithNormalWindow) {
    TShellLink link;
    EXPECT_EQ(link.Arguments(), L"");
    EXPECT_EQ(link.Description(), L"");
    EXPECT_EQ(link.IconFile(), L"");
    EXPECT_EQ(link.IconIndex(), 0u);
    EXPECT_EQ(link.HotKey(), 0u);
    EXPECT_EQ(link.LinkFile(), L"");
    EXPECT_EQ(link.ProgramFile(), L"");
    EXPECT_EQ(link.WindowState(), TWindowState::wsNormal);
    EXPECT_EQ(link.WorkingDirectory(), L"");
}

TEST_F(ShellLinkTest, WritesEveryPropertyThatReadsBack) {
    const struct {
        TWindowState state;
        int showCommand;
    } states[] = {{TWindowState::wsNormal, SW_SHOWNORMAL},
                  {TWindowState::wsMinimized, SW_MINIMIZE},
                  {TWindowState::wsMaximized, SW_SHOWMAXIMIZED}};
    for (const auto& row : states) {
        SCOPED_TRACE(static_cast<int>(row.state));
        TShellLink link;
        link.SetArguments(L"/a \"b c\"");
        link.SetDescription(L"Bestel");
        link.SetIconFile(L"D:\\VENKOR\\ICONS.DLL");
        link.SetIconIndex(3);
        link.SetHotKey(MAKEWORD('V', HOTKEYF_CONTROL | HOTKEYF_ALT));
        link.SetProgramFile(L"D:\\VENKOR\\VENKOR.EXE");
        link.SetWorkingDirectory(L"D:\\DATA\\");
        link.SetWindowState(row.state);
        link.SetLinkFile(folder.Path() + L"state.lnk");
        link.Write();

        const LinkContents read = ReadLink(folder.Path() + L"state.lnk");
        EXPECT_EQ(read.path, L"D:\\VENKOR\\VENKOR.EXE");
        EXPECT_EQ(read.workingDirectory, L"D:\\DATA\\");
        EXPECT_EQ(read.description, L"Bestel");
        EXPECT_EQ(read.arguments, L"/a \"b c\"");
        EXPECT_EQ(read.iconFile, L"D:\\VENKOR\\ICONS.DLL");
        EXPECT_EQ(read.iconIndex, 3);
        EXPECT_EQ(read.hotKey, MAKEWORD('V', HOTKEYF_CONTROL | HOTKEYF_ALT));
        EXPECT_EQ(read.showCommand, row.showCommand);
    }
}

TEST_F(ShellLinkTest, WithoutIconFileNoIconLocationIsWritten) {
    TShellLink link;
    link.SetIconIndex(7);
    link.SetProgramFile(L"D:\\VENKOR\\VENKOR.EXE");
    link.SetLinkFile(folder.Path() + L"plain.lnk");
    link.Write();

    const LinkContents read = ReadLink(folder.Path() + L"plain.lnk");
    EXPECT_EQ(read.iconFile, L"");
    EXPECT_EQ(read.iconIndex, 0);
    EXPECT_EQ(read.arguments, L"");
    EXPECT_EQ(read.hotKey, 0);
}

TEST_F(ShellLinkTest, AnUnwritableLinkFileIsNoFailure) {
    TShellLink link;
    link.SetProgramFile(L"D:\\VENKOR\\VENKOR.EXE");
    link.SetLinkFile(folder.Path() + L"no such folder\\Venkor.lnk");
    EXPECT_NO_THROW(link.Write());
    EXPECT_FALSE(FileExists(link.LinkFile()));
}

TEST(ShellLinkWrite, CallsTheShellLinkObjectAsDocumented) {
    FakeShellLink fake;
    Creation creation;
    TShellLink link(FakeFactory(fake, creation));
    link.SetProgramFile(L"D:\\VENKOR\\VENKOR.EXE");
    link.SetLinkFile(L"E:\\Desk\\Venkor.lnk");
    link.SetWindowState(TWindowState::wsMaximized);
    link.SetIconIndex(4);  // no IconFile: no icon location
    link.Write();

    EXPECT_TRUE(creation.called);
    EXPECT_EQ(creation.classId, CLSID_ShellLink);
    EXPECT_EQ(creation.outer, nullptr);
    EXPECT_EQ(creation.context, 5u);
    EXPECT_EQ(creation.interfaceId, IID_IUnknown);
    // Empty texts arrive as empty texts, never as null pointers.
    const std::vector<std::wstring> expected = {L"SetArguments ",
                                                L"SetDescription ",
                                                L"SetHotkey 0",
                                                L"SetPath D:\\VENKOR\\VENKOR.EXE",
                                                L"SetShowCmd 3",
                                                L"SetWorkingDirectory D:\\VENKOR\\",
                                                L"Save E:\\Desk\\Venkor.lnk"};
    EXPECT_EQ(fake.calls, expected);
    EXPECT_EQ(fake.references, 0u);
}

TEST(ShellLinkWrite, FillsAnEmptyWorkingDirectoryOnceAndKeepsIt) {
    const struct {
        const wchar_t* programFile;
        const wchar_t* workingDirectory;
    } rows[] = {{L"D:\\VENKOR\\VENKOR.EXE", L"D:\\VENKOR\\"},
                {L"D:VENKOR.EXE", L"D:"},
                {L"\\\\server\\share\\a.exe", L"\\\\server\\share\\"},
                {L"VENKOR.EXE", L""},
                {L"", L""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.programFile);
        FakeShellLink fake;
        Creation creation;
        TShellLink link(FakeFactory(fake, creation));
        link.SetProgramFile(row.programFile);
        link.Write();
        EXPECT_EQ(link.WorkingDirectory(), row.workingDirectory);
        EXPECT_EQ(fake.calls.at(5), std::wstring(L"SetWorkingDirectory ") + row.workingDirectory);
    }

    // Once filled it stays; while it is empty every Write computes it again.
    FakeShellLink fake;
    Creation creation;
    TShellLink link(FakeFactory(fake, creation));
    link.SetProgramFile(L"VENKOR.EXE");
    link.Write();
    link.SetProgramFile(L"D:\\VENKOR\\VENKOR.EXE");
    link.Write();
    link.SetProgramFile(L"E:\\OTHER\\OTHER.EXE");
    link.Write();
    EXPECT_EQ(link.WorkingDirectory(), L"D:\\VENKOR\\");
    EXPECT_EQ(fake.calls.back(), L"Save ");
    EXPECT_EQ(fake.calls.at(fake.calls.size() - 2), L"SetWorkingDirectory D:\\VENKOR\\");
}

TEST(ShellLinkWrite, FailsWhenAnInterfaceIsMissingAndReleasesTheRest) {
    const struct { bool offerLink, offerFile; } rows[] = {{false, true}, {true, false}, {false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.offerLink << row.offerFile);
        FakeShellLink fake;
        fake.offerLink = row.offerLink;
        fake.offerFile = row.offerFile;
        Creation creation;
        TShellLink link(FakeFactory(fake, creation));
        link.SetProgramFile(L"D:\\VENKOR\\VENKOR.EXE");
        EXPECT_EQ(WriteFailure(link), L"Interface not supported");
        EXPECT_TRUE(fake.calls.empty());
        EXPECT_EQ(fake.references, 0u);
        EXPECT_EQ(link.WorkingDirectory(), L"");
    }
}

// The reason the system gives for a code, or the fallback when it has none.
// (Wine has no texts for COM's own codes, Windows has.)
std::wstring Reason(HRESULT result) {
    const std::wstring text = SystemErrorText(static_cast<DWORD>(result));
    if (!text.empty()) return text;
    wchar_t code[16];
    swprintf(code, 16, L"%08x", static_cast<unsigned>(result));
    return L"OLE error " + std::wstring(code);
}

TEST(ShellLinkWrite, CreationFailureNamesTheReasonAndTheClass) {
    const HRESULT unknown = static_cast<HRESULT>(0x8BADF00D);
    ASSERT_EQ(SystemErrorText(static_cast<DWORD>(unknown)), L"") << "needs a code without system text";
    const std::wstring accessDenied = SystemErrorText(static_cast<DWORD>(E_ACCESSDENIED));
    ASSERT_NE(accessDenied, L"");
    // The system text comes without its closing full stop and line end.
    EXPECT_NE(accessDenied.back(), L'.');
    EXPECT_GT(accessDenied.back(), L' ');

    const struct {
        HRESULT result;
        std::wstring message;
    } rows[] = {{unknown, L"OLE error 8badf00d, ClassID: " + ClassId},
                {static_cast<HRESULT>(0x00000ABC | 0x80000000), L"OLE error 80000abc, ClassID: " + ClassId},
                {E_ACCESSDENIED, accessDenied + L", ClassID: " + ClassId}};
    for (const auto& row : rows) {
        TShellLink link([&](REFCLSID, IUnknown*, DWORD, REFIID, void** out) {
            *out = nullptr;
            return row.result;
        });
        link.SetProgramFile(L"D:\\VENKOR\\VENKOR.EXE");
        EXPECT_EQ(WriteFailure(link), row.message);
        EXPECT_EQ(link.WorkingDirectory(), L"");
    }
}

TEST(ShellLinkWrite, WithoutComTheRealObjectCannotBeMade) {
    // A fresh thread has no COM apartment: the real creation fails.
    std::wstring message;
    std::thread([&] {
        TShellLink link;
        message = WriteFailure(link);
    }).join();
    EXPECT_EQ(message, Reason(CO_E_NOTINITIALIZED) + L", ClassID: " + ClassId);
}

}  // namespace
