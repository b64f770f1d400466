#pragma once
// The installation folder of a signed release, held for the whole run: made
// with rights of its own unless it exists, then opened without following a
// link and without letting anyone delete, rename or replace it, judged by
// its owner and rights (FolderOwnership.h), made the user's own where it is
// theirs, and refused when anything in it belongs to another account.
#include <string>

#include "UniqueHandle.h"

class HeldTargetFolder {
public:
    // Throws Failure, naming the folder or the file, when the run must not
    // write into it.
    explicit HeldTargetFolder(const std::wstring& Pad);

private:
    UniqueFile folder_;
};
