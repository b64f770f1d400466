#pragma once
// The installation run: the target folder on the chosen drive, then the two
// archives of the application, downloaded and unpacked strictly in order.
#include <string>

#include "AbUnZipper.h"
#include "IdHTTP.h"

// Sets Pad to drive + ":\VENKOR\", creates that folder (with any missing
// parents), then downloads and unpacks main.zip and after it upgrade.zip.
// The first failure ends the run and passes unchanged to the caller; nothing
// is rolled back.
void RunInstallation(wchar_t drive, std::wstring& Pad, TIdHTTP& IdHTTP1, TAbUnZipper& AbUnZipper1,
                     const std::wstring& fileServer);
