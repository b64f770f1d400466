#pragma once
#include <string>

#include "AbUnZipper.h"
#include "UniqueHandle.h"

// Unpacks the archive file into the folder that holds it, then deletes it.
// A failure leaves the archive file where it is, closed.
void UnpackArchive(TAbUnZipper& AbUnZipper1, const std::wstring& file);

// The same for an archive the caller holds open (with DELETE access): it is
// read through that handle and deleted through it, so no other process can
// change it between its check and its last entry.
void UnpackArchive(TAbUnZipper& AbUnZipper1, const std::wstring& file, UniqueFile archive);
