// Program entry: catalogue service, COM (single-threaded apartment), the application titled "Setup", the
// main window, and the message loop until the window is closed.
#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "Application.h"
#include "ComApartment.h"
#include "DllSearch.h"
#include "ExecutablePath.h"
#include "Failure.h"
#include "InstallSource.h"
#include "ShellLink.h"
#include "gnugettext.h"
#include "ufrmMain.h"

#ifndef SETUP_FILE_SERVER
#error "SETUP_FILE_SERVER must name the file server's base URL"
#endif
#ifdef SETUP_TRUSTED_CA_HEADER
#include "TrustedCertificates.h"
#endif

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RestrictDllSearchToSystem32();
    try {
        // Read before the catalogue exists: this text is never translated.
        LoadShellLinkTexts();
        CatalogueService catalogue;
        // A single-threaded apartment on the UI thread for the shell link object.
        ComApartment com;

        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);

        TApplication Application;
        Application.SetTitle(L"Setup");
        InstallSource source(L"" SETUP_FILE_SERVER);
#ifdef SETUP_SIGNING_KEY
        source.signingKey = SETUP_SIGNING_KEY;
        source.signaturesNotBefore = SETUP_SIGNATURES_NOT_BEFORE;
        source.archiveFolder = ExecutableFolder();
#endif
#ifdef SETUP_TRUSTED_CA
        source.trustedCertificates = SETUP_TRUSTED_CA;
#endif
        TfrmMain frmMain(Application, std::move(source));
        frmMain.FormCreate();
        return Application.Run(frmMain.Handle());
    } catch (const Failure& failure) {
        MessageBoxW(nullptr, failure.Message().c_str(), L"Setup", MB_ICONERROR | MB_OK);
    } catch (const std::exception& failure) {
        MessageBoxA(nullptr, failure.what(), "Setup", MB_ICONERROR | MB_OK);
    }
    return 1;
}
