#include "ProtectedFolder.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <vector>

#include "UniqueHandle.h"

namespace {

// P: not inherited from the drive's root; OICI: passed on to what is created inside.
LocalOwned<> ProtectedDescriptor() {
    const std::wstring user = CurrentUserSid();
    if (user.empty()) return nullptr;
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + user + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return nullptr;
    return LocalOwned<>(descriptor);
}

}  // namespace

std::wstring CurrentUserSid() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    const UniqueHandle token(raw);
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<std::uint8_t> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return {};
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
    const LocalOwned<wchar_t> owned(text);
    return text;
}

bool CreateProtectedFolder(const std::wstring& folder) {
    const LocalOwned<> descriptor = ProtectedDescriptor();
    if (!descriptor) return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    return ::SHCreateDirectoryExW(nullptr, folder.c_str(), &attributes) == ERROR_SUCCESS;
}

DWORD ProtectFolder(HANDLE folder) {
    const LocalOwned<> descriptor = ProtectedDescriptor();
    if (!descriptor) return ::GetLastError() ? ::GetLastError() : ERROR_INVALID_SID;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted)) return ::GetLastError();
    // Set through the handle: the folder judged is the folder changed.
    return ::SetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                             nullptr, nullptr, dacl, nullptr);
}
