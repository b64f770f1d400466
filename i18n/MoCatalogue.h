#pragma once
// A message catalogue in the GNU MO format, read from bytes in memory (a
// mapped file). Catalogue files are untrusted: every count, offset and
// length in them is checked against the size of the bytes before use. Many
// table entries may point into one long string: opening reads no more than
// about twice the bytes, and a lookup reads no further into an entry than
// the msgid's length.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

class MoCatalogue {
public:
    // Nothing when the bytes are not an MO file: a wrong magic number (in
    // both byte orders), a header or a string table that does not fit, or a
    // string that runs past the end. The bytes must outlive the catalogue.
    static std::optional<MoCatalogue> Parse(std::span<const std::uint8_t> bytes);

    // The translation of a msgid (UTF-8), by exact, case-sensitive match.
    // The empty msgid gives the header entry. Of an entry with plural forms
    // only the singular msgid is matched and the first form is given. Of
    // duplicates the first one counts.
    std::optional<std::string_view> Find(std::string_view msgid) const;

    std::size_t Count() const { return entries_.size(); }

private:
    // The two strings of a table entry as the table gives them, not yet cut
    // at a NUL.
    struct Entry {
        std::string_view msgid;
        std::string_view msgstr;
    };

    // Whether the msgids ascend, reading at most about budget bytes.
    static bool InOrder(const std::vector<Entry>& entries, std::size_t budget);

    std::vector<Entry> entries_;
    // The msgids are in the order msgfmt writes them, so a lookup is a binary
    // search; otherwise it reads every entry.
    bool sorted_ = false;
};
