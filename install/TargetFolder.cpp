#include "TargetFolder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "Failure.h"
#include "FolderOwnership.h"
#include "FormatText.h"
#include "LibraryText.h"
#include "ProtectedFolder.h"
#include "ReleaseTextIds.h"
#include "SystemErrorText.h"

namespace {

[[noreturn]] void Refuse(int textId, const std::wstring& path) {
    throw Failure(FormatText(LoadResString(textId), {path}));
}
[[noreturn]] void Unusable(const std::wstring& Pad, DWORD error) {
    throw Failure(FormatText(LoadResString(IDS_FOLDER_UNUSABLE), {Pad, SystemErrorText(error)}));
}

// The entry itself, never what a link points to. Without delete sharing:
// while the handle lives, the entry cannot be renamed, removed or replaced.
UniqueFile OpenEntry(const std::wstring& path, DWORD access) {
    return UniqueFile(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

LocalOwned<> DescriptorOf(HANDLE entry) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(entry, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                          nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return nullptr;
    return LocalOwned<>(descriptor);
}

LocalOwned<> UserSid() {
    PSID sid = nullptr;
    const std::wstring text = CurrentUserSid();
    if (text.empty() || !::ConvertStringSidToSidW(text.c_str(), &sid)) return nullptr;
    return LocalOwned<>(sid);
}

// Everything below folder (not below links) must belong to a trusted
// account: a file of another account there (a DLL beside the program) would
// be loaded or started as the user. What cannot be judged counts as foreign.
void RefuseForeignEntries(const std::wstring& folder, PSID user) {
    WIN32_FIND_DATAW found;
    HANDLE raw =
        ::FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (raw == INVALID_HANDLE_VALUE) return;
    const UniqueOwner<HANDLE, -1, ::FindClose> search(raw);
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + name;
        const UniqueFile entry = OpenEntry(path, READ_CONTROL);
        if (!entry && ::GetLastError() == ERROR_FILE_NOT_FOUND) continue;
        const LocalOwned<> descriptor = entry ? DescriptorOf(entry.Get()) : nullptr;
        if (!descriptor || !OwnedByTrustedAccount(descriptor.get(), user)) Refuse(IDS_FOLDER_FILE_NOT_OURS, path);
        const DWORD attributes = found.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            RefuseForeignEntries(path + L"\\", user);
    } while (::FindNextFileW(search.Get(), &found));
}

}  // namespace

HeldTargetFolder::HeldTargetFolder(const std::wstring& Pad) {
    // Judged after the creation whatever it returned: the folder may have
    // been there already, or have appeared in between.
    const DWORD attributes = ::GetFileAttributesW(Pad.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) CreateProtectedFolder(Pad);

    const DWORD access = READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    folder_ = OpenEntry(Pad, access | WRITE_DAC);
    if (!folder_ && ::GetLastError() == ERROR_ACCESS_DENIED) folder_ = OpenEntry(Pad, access);
    if (!folder_) Unusable(Pad, ::GetLastError());
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(folder_.Get(), &information)) Unusable(Pad, ::GetLastError());
    const bool link = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!link && !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) Unusable(Pad, ERROR_DIRECTORY);

    const LocalOwned<> user = UserSid();
    const LocalOwned<> descriptor = DescriptorOf(folder_.Get());
    if (!user || !descriptor) Unusable(Pad, ::GetLastError());
    switch (JudgeInstallFolder(descriptor.get(), user.get(), link)) {
    case FolderVerdict::RefuseLink: Refuse(IDS_FOLDER_IS_LINK, Pad);
    case FolderVerdict::RefuseOwner: Refuse(IDS_FOLDER_NOT_OURS, Pad);
    case FolderVerdict::RefuseOpenToOthers: Refuse(IDS_FOLDER_OPEN_TO_OTHERS, Pad);
    case FolderVerdict::MakeOurs:
        if (const DWORD error = ProtectFolder(folder_.Get())) Unusable(Pad, error);
        break;
    case FolderVerdict::Keep: break;
    }
    RefuseForeignEntries(Pad, user.get());
}
