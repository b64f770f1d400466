#pragma once
// Entry names: stored bytes to UTF-16, and the bare name a file lands under.
#include <string>
#include <string_view>

// UTF-8 when the entry's flag bit 11 says so (malformed sequences become
// U+FFFD), otherwise the OEM code page 437 that DOS-era tools wrote.
std::u16string DecodeEntryName(std::string_view raw, bool utf8);

// The part after the last "/", "\" or ":"; empty when the name ends in one.
std::u16string_view BareNameOf(std::u16string_view name);
