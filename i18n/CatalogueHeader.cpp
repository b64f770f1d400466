#include "CatalogueHeader.h"

#include <algorithm>

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) { return Upper(a) == Upper(b); });
}

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string_view ContentTypeOf(std::string_view header) {
    constexpr std::string_view kKey = "Content-Type: ";
    while (!header.empty()) {
        const std::size_t end = std::min(header.find_first_of("\r\n"), header.size());
        const std::string_view line = header.substr(0, end);
        if (StartsWithNoCase(line, kKey)) return Trim(line.substr(kKey.size()));
        header.remove_prefix(std::min(end + 1, header.size()));
    }
    return {};
}

bool DeclaresUtf8(std::string_view header) {
    constexpr std::string_view kCharset = "CHARSET=UTF-8";
    const std::string_view value = ContentTypeOf(header);
    return std::search(value.begin(), value.end(), kCharset.begin(), kCharset.end(),
                       [](char a, char b) { return Upper(a) == b; }) != value.end();
}
