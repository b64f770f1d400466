#pragma once
// Whose the installation folder and the files in it are, judged from their
// security descriptors alone, so the judgement can be tried on descriptors
// built in memory. A signed release only installs into a folder that no
// other ordinary account can change: such an account could replace the
// program after the checked run.
#include <windows.h>

enum class FolderVerdict {
    Keep,                // Administrators, SYSTEM or TrustedInstaller own it and let no one else change it
    MakeOurs,            // the user owns it: it gets the rights a folder the run makes gets
    RefuseLink,          // a reparse point (junction, link): the files would land elsewhere
    RefuseOwner,         // another account owns it and keeps control whatever its entries say
    RefuseOpenToOthers,  // a trusted owner, but its entries let other accounts change it
};

// Whether the owner in descriptor is user, Administrators, SYSTEM or
// TrustedInstaller (the accounts that can change the folder anyway).
bool OwnedByTrustedAccount(PSECURITY_DESCRIPTOR descriptor, PSID user);

FolderVerdict JudgeInstallFolder(PSECURITY_DESCRIPTOR descriptor, PSID user, bool reparsePoint);
