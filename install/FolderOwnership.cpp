#include "FolderOwnership.h"

#include <sddl.h>

#include <initializer_list>

#include "UniqueHandle.h"

namespace {

bool SidIs(PSID sid, const wchar_t* text) {
    PSID known = nullptr;
    if (!sid || !::ConvertStringSidToSidW(text, &known)) return false;
    const LocalOwned<> owned(known);
    return ::EqualSid(sid, known) != FALSE;
}

// Administrators, SYSTEM, TrustedInstaller.
bool IsSystemAccount(PSID sid) {
    for (const wchar_t* text :
         {L"S-1-5-32-544", L"S-1-5-18", L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"})
        if (SidIs(sid, text)) return true;
    return false;
}

bool IsTrusted(PSID sid, PSID user) { return sid && (::EqualSid(sid, user) || IsSystemAccount(sid)); }

// Rights that let an account change what the folder holds or who may.
constexpr ACCESS_MASK kChanging = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                  WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// Whether an allow entry gives changing rights to an account that is not
// trusted. CREATOR OWNER stands for whoever creates an entry inside, who
// needs the right to create it first. No DACL at all lets everyone in.
bool OpenToOthers(PSECURITY_DESCRIPTOR descriptor, PSID user) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) return true;
    if (!present || !dacl) return true;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!::GetAce(dacl, i, &raw)) return true;
        const auto* header = static_cast<const ACE_HEADER*>(raw);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        PSID sid = const_cast<DWORD*>(&ace->SidStart);
        if ((ace->Mask & kChanging) && !IsTrusted(sid, user) && !SidIs(sid, L"S-1-3-0")) return true;
    }
    return false;
}

PSID OwnerOf(PSECURITY_DESCRIPTOR descriptor) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!descriptor || !::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted)) return nullptr;
    return owner;
}

}  // namespace

bool OwnedByTrustedAccount(PSECURITY_DESCRIPTOR descriptor, PSID user) { return IsTrusted(OwnerOf(descriptor), user); }

FolderVerdict JudgeInstallFolder(PSECURITY_DESCRIPTOR descriptor, PSID user, bool reparsePoint) {
    if (reparsePoint) return FolderVerdict::RefuseLink;
    const PSID owner = OwnerOf(descriptor);
    if (owner && ::EqualSid(owner, user)) return FolderVerdict::MakeOurs;
    if (!IsSystemAccount(owner)) return FolderVerdict::RefuseOwner;
    return OpenToOthers(descriptor, user) ? FolderVerdict::RefuseOpenToOthers : FolderVerdict::Keep;
}
