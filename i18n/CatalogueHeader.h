#pragma once
// The character-set test of a catalogue's header entry: only catalogues
// written in UTF-8 are used.
#include <string_view>

// The value of the first header line that begins with "Content-Type: "
// (letter case ignored, exactly one blank after the colon), blanks trimmed;
// empty when there is no such line.
std::string_view ContentTypeOf(std::string_view header);

// True when that value, in upper case, contains "CHARSET=UTF-8".
bool DeclaresUtf8(std::string_view header);
