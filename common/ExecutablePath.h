#pragma once
// The running program's own file, whatever the length of its path, and its folder.
#include <string>

std::wstring ExecutablePath();
// Its folder, ending in a backslash.
std::wstring ExecutableFolder();
