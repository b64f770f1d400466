#include "CatalogueHeader.h"

#include <algorithm>

#include "AsciiText.h"

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// Wider than TrimBlanks: around a catalogue header value every control code
// counts as blank.
std::string_view TrimControlsAndBlanks(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::string_view ContentTypeOf(std::string_view header) {
    constexpr std::string_view kKey = "Content-Type: ";
    while (!header.empty()) {
        const std::size_t end = std::min(header.find_first_of("\r\n"), header.size());
        const std::string_view line = header.substr(0, end);
        if (StartsWithNoCase(line, kKey)) return TrimControlsAndBlanks(line.substr(kKey.size()));
        header.remove_prefix(std::min(end + 1, header.size()));
    }
    return {};
}

bool DeclaresUtf8(std::string_view header) { return ContainsNoCase(ContentTypeOf(header), "charset=utf-8"); }
