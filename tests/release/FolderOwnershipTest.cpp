// Whose the installation folder of a signed release is, and what the run
// does about it. The judgement is tried on descriptors built in memory:
// Wine keeps no security descriptors on disk (every file reads back as the
// user's, with the same two entries), so no folder of another account, no
// administrators' folder and no inherited "Authenticated Users: Modify" can
// be made there for real.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "Failure.h"
#include "FolderOwnership.h"
#include "TargetFolder.h"
#include "TestFiles.h"
#include "UniqueHandle.h"

namespace {

const std::wstring kUser = L"S-1-5-21-1004336348-1177238915-682003330-1001";
const std::wstring kOther = L"S-1-5-21-1004336348-1177238915-682003330-1002";
// Modify (read, write, execute, delete), as C:\ hands it to Authenticated Users.
const std::wstring kModify = L"0x1301bf";

LocalOwned<> Sid(const std::wstring& text) {
    PSID sid = nullptr;
    EXPECT_TRUE(::ConvertStringSidToSidW(text.c_str(), &sid)) << text.c_str();
    return LocalOwned<>(sid);
}
LocalOwned<> Descriptor(const std::wstring& sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPECT_TRUE(
        ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        << sddl.c_str();
    return LocalOwned<>(descriptor);
}

TEST(InstallFolderVerdict, RefusesWhatAnotherAccountControlsAndMakesTheUsersOwnFolderProtected) {
    const std::wstring protectedEntries = L"(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
    struct Case {
        const char* what;
        std::wstring sddl;
        bool reparsePoint;
        FolderVerdict verdict;
    };
    const Case cases[] = {
        {"made by another account (mkdir C:\\VENKOR long before)",
         L"O:" + kOther + L"D:AI(A;OICIID;FA;;;" + kOther + L")(A;OICIID;" + kModify + L";;;AU)", false,
         FolderVerdict::RefuseOwner},
        {"another account's, though its entries give it nothing", L"O:" + kOther + L"D:P" + protectedEntries, false,
         FolderVerdict::RefuseOwner},
        {"no owner at all", L"D:P" + protectedEntries, false, FolderVerdict::RefuseOwner},
        {"a junction, even one of the user's", L"O:" + kUser + L"D:P(A;OICI;FA;;;" + kUser + L")", true,
         FolderVerdict::RefuseLink},
        {"an earlier install's, inheriting Authenticated Users: Modify from C:\\",
         L"O:" + kUser + L"D:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;" + kModify + L";;;AU)", false,
         FolderVerdict::MakeOurs},
        {"the user's own, already protected", L"O:" + kUser + L"D:P(A;OICI;FA;;;" + kUser + L")" + protectedEntries,
         false, FolderVerdict::MakeOurs},
        {"an administrators' folder, read-only for users", L"O:BAD:P" + protectedEntries, false, FolderVerdict::Keep},
        {"TrustedInstaller's, with the user allowed to write",
         L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:P(A;OICI;FA;;;" + kUser + L")" +
             protectedEntries,
         false, FolderVerdict::Keep},
        {"SYSTEM's, whoever creates a file inside owning it", L"O:SYD:P(A;OICIIO;FA;;;CO)" + protectedEntries, false,
         FolderVerdict::Keep},
        {"an administrators' folder open to Authenticated Users: Modify",
         L"O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;" + kModify + L";;;AU)", false, FolderVerdict::RefuseOpenToOthers},
        {"an administrators' folder where users may add files, as C:\\ itself",
         L"O:BAD:P(A;OICI;FA;;;BA)(A;CI;0x4;;;BU)(A;;0x2;;;BU)", false, FolderVerdict::RefuseOpenToOthers},
        {"a denied entry changes nothing for the others", L"O:BAD:P(D;OICI;FA;;;" + kOther + L")(A;OICI;FA;;;WD)",
         false, FolderVerdict::RefuseOpenToOthers},
    };
    const LocalOwned<> user = Sid(kUser);
    for (const Case& c : cases) {
        const LocalOwned<> descriptor = Descriptor(c.sddl);
        EXPECT_EQ(JudgeInstallFolder(descriptor.get(), user.get(), c.reparsePoint), c.verdict) << c.what;
    }
}

// No DACL at all lets everyone in. Built by hand: Wine's SDDL parser reads
// NO_ACCESS_CONTROL as an empty DACL.
TEST(InstallFolderVerdict, ASystemFolderWithoutAnyDaclIsOpenToOthers) {
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    const LocalOwned<> system = Sid(L"SY");
    ASSERT_TRUE(::SetSecurityDescriptorOwner(&descriptor, system.get(), FALSE));
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
    EXPECT_EQ(JudgeInstallFolder(&descriptor, Sid(kUser).get(), false), FolderVerdict::RefuseOpenToOthers);
}

TEST(InstallFolderVerdict, AFileInsideMustBeOwnedByTheUserOrTheSystem) {
    const LocalOwned<> user = Sid(kUser);
    for (const std::wstring& owner : {kUser, std::wstring(L"BA"), std::wstring(L"SY")})
        EXPECT_TRUE(OwnedByTrustedAccount(Descriptor(L"O:" + owner + L"D:").get(), user.get())) << owner.c_str();
    for (const std::wstring& owner : {kOther, std::wstring(L"BU"), std::wstring(L"AU"), std::wstring(L"WD")})
        EXPECT_FALSE(OwnedByTrustedAccount(Descriptor(L"O:" + owner + L"D:").get(), user.get())) << owner.c_str();
    EXPECT_FALSE(OwnedByTrustedAccount(Descriptor(L"D:").get(), user.get())) << "no owner";
}

// Held for the run: nobody swaps the judged folder for a link to elsewhere,
// or renames or removes it, until the run lets go.
TEST(HeldInstallFolder, CannotBeRenamedOrRemovedWhileHeld) {
    if (RunningUnderWine())
        GTEST_SKIP() << "Wine 8 renames a folder while a handle without delete sharing is open on it";
    const std::wstring folder = L"V:\\VENKOR\\";
    ::CreateDirectoryW(L"V:\\VENKOR", nullptr);
    {
        const HeldTargetFolder held(folder);
        EXPECT_FALSE(::MoveFileW(L"V:\\VENKOR", L"V:\\ELSEWHERE"));
        EXPECT_FALSE(::RemoveDirectoryW(L"V:\\VENKOR"));
    }
    EXPECT_TRUE(::MoveFileW(L"V:\\VENKOR", L"V:\\ELSEWHERE")) << ::GetLastError();
    ::RemoveDirectoryW(L"V:\\ELSEWHERE");
}

TEST(HeldInstallFolder, AFileInPlaceOfTheFolderIsRefusedByName) {
    ::RemoveDirectoryW(L"V:\\VENKOR");
    const HANDLE file = ::CreateFileW(L"V:\\VENKOR", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ::CloseHandle(file);
    try {
        HeldTargetFolder held(L"V:\\VENKOR\\");
        ADD_FAILURE() << "a file was taken for the folder";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Message().rfind(L"The installation folder \"V:\\VENKOR\\\" cannot be used: ", 0), 0u)
            << testing::PrintToString(failure.Message());
    }
    ::DeleteFileW(L"V:\\VENKOR");
}

}  // namespace
