#include "ShellLink.h"

#include <objidl.h>
#include <shlobj.h>

#include "ComPtr.h"
#include "Failure.h"
#include "FormatText.h"
#include "LibraryText.h"
#include "ShellTextIds.h"
#include "SystemErrorText.h"

namespace {

constexpr DWORD kShellLinkContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;
constexpr const wchar_t* kShellLinkClassId = L"{00021401-0000-0000-C000-000000000046}";

const std::wstring& InterfaceNotSupportedText() {
    // Straight from the string table, not through the catalogue: this text
    // is never translated.
    static const std::wstring text = [] {
        const wchar_t* resource = nullptr;
        const int length = LoadStringW(GetModuleHandleW(nullptr), IDS_INTERFACE_NOT_SUPPORTED,
                                       reinterpret_cast<wchar_t*>(&resource), 0);
        return length > 0 && resource ? std::wstring(resource, length) : std::wstring();
    }();
    return text;
}

// "%s, ClassID: %s" is fixed; only the "OLE error" fallback is a library text.
std::wstring CreationFailureText(HRESULT result) {
    std::wstring reason = SystemErrorText(static_cast<DWORD>(result));
    if (reason.empty()) reason = FormatText(LoadResString(IDS_OLE_ERROR), {std::int64_t{static_cast<DWORD>(result)}});
    return FormatText(L"%s, ClassID: %s", {reason, std::wstring(kShellLinkClassId)});
}

int ShowCommand(TWindowState state) {
    switch (state) {
    case TWindowState::wsMinimized: return SW_MINIMIZE;
    case TWindowState::wsMaximized: return SW_SHOWMAXIMIZED;
    default: return SW_SHOWNORMAL;
    }
}

// Everything up to and including the last backslash or colon.
std::wstring FolderOf(const std::wstring& file) {
    const auto end = file.find_last_of(L"\\:");
    return end == std::wstring::npos ? std::wstring() : file.substr(0, end + 1);
}

}  // namespace

TShellLink::TShellLink(ShellLinkFactory factory) : factory_(std::move(factory)) {}

void TShellLink::Write() {
    ComPtr<IUnknown> object;
    const HRESULT created = factory_(CLSID_ShellLink, nullptr, kShellLinkContext, IID_IUnknown, object.PutVoid());
    if (FAILED(created)) throw Failure(CreationFailureText(created));
    if (!object) throw Failure(CreationFailureText(E_POINTER));

    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (object->QueryInterface(IID_IShellLinkW, link.PutVoid()) != S_OK || !link ||
        object->QueryInterface(IID_IPersistFile, file.PutVoid()) != S_OK || !file)
        throw Failure(InterfaceNotSupportedText());

    // The shell reports nothing worth stopping for from here on: a link that
    // cannot be stored only means a missing shortcut.
    link->SetArguments(FArguments.c_str());
    link->SetDescription(FDescription.c_str());
    link->SetHotkey(FHotKey);
    if (!FIconFile.empty()) link->SetIconLocation(FIconFile.c_str(), static_cast<int>(FIconIndex));
    link->SetPath(FProgramFile.c_str());
    link->SetShowCmd(ShowCommand(FWindowState));
    if (FWorkingDirectory.empty()) FWorkingDirectory = FolderOf(FProgramFile);
    link->SetWorkingDirectory(FWorkingDirectory.c_str());
    file->Save(FLinkFile.c_str(), FALSE);
}

void LoadShellLinkTexts() { InterfaceNotSupportedText(); }
