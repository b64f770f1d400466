#pragma once
// Library texts: the fixed English texts that our libraries raise or show
// live in the executable's string table. LoadResString loads one and passes
// it through the message catalogue (the domain "default", then "jvcl"), so
// a catalogue beside the executable can translate it. An empty or missing
// entry gives an empty text. Formats are loaded first and filled in
// afterwards (FormatText). Throws EGGIOError when a catalogue file exists
// but cannot be read.
#include <string>

std::wstring LoadResString(unsigned id);
