#pragma once
// What a resumed download checks in the answers' heads (RFC 9110): the
// Content-Range of a 206, and the validator that If-Range may carry.
// Portable: it only reads header values.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct ContentRange {
    std::int64_t first;
    std::int64_t last;
    std::int64_t complete;  // the whole representation's length
};

// "bytes first-last/complete" with first <= last < complete; nothing for
// any other value (an unknown complete length "*", an unsatisfied range
// "*/complete", another unit, signs or blanks inside the numbers).
std::optional<ContentRange> ParseContentRange(std::string_view value);

// Whether value is a strong entity tag: "..." of the characters an entity
// tag may hold, and not a weak one (W/"...").
bool IsStrongEntityTag(std::string_view value);

// Seconds since 1970 of an IMF-fixdate ("Sun, 06 Nov 1994 08:49:37 GMT",
// the only form a server may send); nothing for anything else.
std::optional<std::int64_t> ParseImfFixdate(std::string_view value);

// The If-Range value for a partial file taken from an answer with these
// headers (empty when absent): its entity tag when strong; with no entity
// tag at all, its Last-Modified when that is a strong validator (the
// answer's Date at least a second later). Empty when neither applies: a
// weak entity tag, or a date that may stand for two versions of the file,
// cannot tell the server which bytes the client holds.
std::string IfRangeValidator(std::string_view etag, std::string_view lastModified, std::string_view date);
