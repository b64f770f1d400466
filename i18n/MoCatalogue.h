#pragma once
// A message catalogue in the GNU MO format, read from bytes in memory (a
// mapped file). Catalogue files are untrusted: every count, offset and
// length in them is checked against the size of the bytes before use.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>

class MoCatalogue {
public:
    // Nothing when the bytes are not an MO file: a wrong magic number (in
    // both byte orders), a header or a string table that does not fit, or a
    // string that runs past the end. The bytes must outlive the catalogue.
    static std::optional<MoCatalogue> Parse(std::span<const std::uint8_t> bytes);

    // The translation of a msgid (UTF-8), by exact, case-sensitive match.
    // The empty msgid gives the header entry. Of an entry with plural forms
    // only the singular msgid is matched and the first form is given.
    std::optional<std::string_view> Find(std::string_view msgid) const;

    std::size_t Count() const { return entries_.size(); }

private:
    std::unordered_map<std::string_view, std::string_view> entries_;
};
