#pragma once
// What a signature's trusted comment says about the file it signs. minisign
// writes, and the global signature covers, tab-separated fields such as
//   timestamp:1700000000<TAB>file:main.zip<TAB>hashed
// so a signature can be bound to one archive and to the time it was made.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct TrustedComment {
    std::optional<std::string> file;        // the signed file's name
    std::optional<std::int64_t> timestamp;  // seconds since 1970
};

// The file and timestamp fields; a field given twice, or a timestamp that is
// not a plain decimal number, counts as not given.
TrustedComment ParseTrustedComment(std::string_view comment);

// Whether a signature with this comment was made for fileName (compared
// byte for byte, as minisign writes it) no earlier than notBefore; if not,
// the first of the two that fails.
enum class Binding {
    Binds,
    OtherFile,    // no file field, or another name
    BeforeFloor,  // no time, or one before notBefore
};
Binding BindingTo(const TrustedComment& comment, std::string_view fileName, std::int64_t notBefore);
