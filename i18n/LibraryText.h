#pragma once
// Library texts: the fixed English texts that our libraries raise or show
// live in the executable's string table. LoadResString loads one and passes
// it through the message catalogue, so a catalogue beside the executable
// can translate it. Formats are loaded first and filled in afterwards
// (FormatText).
#include <string>

std::wstring LoadResString(unsigned id);
