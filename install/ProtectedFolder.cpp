#include "ProtectedFolder.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <memory>
#include <vector>

#include "UniqueHandle.h"

namespace {

struct LocalFreer {
    void operator()(void* memory) const { ::LocalFree(memory); }
};

// The SID of the account this process runs as, as S-1-5-... text.
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
    const std::unique_ptr<wchar_t, LocalFreer> owned(text);
    return text;
}

}  // namespace

bool CreateProtectedFolder(const std::wstring& folder) {
    const std::wstring user = CurrentUserSid();
    if (user.empty()) return false;
    // P: not inherited from the drive's root; OICI: passed on to what is created inside.
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + user + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    const std::unique_ptr<void, LocalFreer> owned(descriptor);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    return ::SHCreateDirectoryExW(nullptr, folder.c_str(), &attributes) == ERROR_SUCCESS;
}
