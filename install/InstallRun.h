#pragma once
// The installation run: the two archives of the application, downloaded and
// unpacked strictly in order into the target folder.
#include <string>

#include "AbUnZipper.h"
#include "IdHTTP.h"
#include "InstallSource.h"

// Refuses a Pad that does not start with a drive ("D:\"). Creates the
// target folder Pad (with any missing parents; with a signing key, judges
// and holds it, see TargetFolder.h), then downloads
// and unpacks main.zip and after it upgrade.zip into it. With a signing key,
// each archive is unpacked only after its signature verifies. The first
// failure ends the run and passes unchanged to the caller; nothing is rolled
// back.
void RunInstallation(const std::wstring& Pad, TIdHTTP& IdHTTP1, TAbUnZipper& AbUnZipper1, const InstallSource& source);
