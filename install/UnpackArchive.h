#pragma once
#include <string>

#include "AbUnZipper.h"

// Unpacks the archive file into the folder that holds it, then deletes it.
// A failure leaves the archive file where it is, closed.
void UnpackArchive(TAbUnZipper& AbUnZipper1, const std::wstring& file);
