#include "ResumeRules.h"

#include <array>
#include <charconv>

#include "AsciiText.h"
#include "CivilDate.h"

namespace {

// A run of decimal digits, the whole of text; nothing for a sign, a blank
// or a number past 2^63-1.
std::optional<std::int64_t> Digits(std::string_view text) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    std::int64_t value = 0;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || rest != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<ContentRange> ParseContentRange(std::string_view value) {
    const std::size_t blank = value.find(' ');
    if (blank == std::string_view::npos || !EqualsNoCase(value.substr(0, blank), "bytes")) return std::nullopt;
    const std::string_view range = value.substr(blank + 1);
    const std::size_t dash = range.find('-');
    const std::size_t slash = range.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || dash > slash) return std::nullopt;
    const auto first = Digits(range.substr(0, dash));
    const auto last = Digits(range.substr(dash + 1, slash - dash - 1));
    const auto complete = Digits(range.substr(slash + 1));
    if (!first || !last || !complete || *first > *last || *last >= *complete) return std::nullopt;
    return ContentRange{*first, *last, *complete};
}

bool IsStrongEntityTag(std::string_view value) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') return false;
    for (const char c : value.substr(1, value.size() - 2)) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x21 || u == '"' || u == 0x7F) return false;
    }
    return true;
}

std::optional<std::int64_t> ParseImfFixdate(std::string_view value) {
    // "Sun, 06 Nov 1994 08:49:37 GMT": every field at a fixed place.
    static constexpr std::array<std::string_view, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (value.size() != 29 || value.substr(3, 2) != ", " || value[7] != ' ' || value[11] != ' ' || value[16] != ' ' ||
        value[19] != ':' || value[22] != ':' || value.substr(25) != " GMT")
        return std::nullopt;
    int weekday = 0;
    while (weekday < 7 && kDays[weekday] != value.substr(0, 3))
        ++weekday;
    int month = 0;
    while (month < 12 && kMonths[month] != value.substr(8, 3))
        ++month;
    const auto day = Digits(value.substr(5, 2));
    const auto year = Digits(value.substr(12, 4));
    const auto hour = Digits(value.substr(17, 2));
    const auto minute = Digits(value.substr(20, 2));
    const auto second = Digits(value.substr(23, 2));
    if (weekday == 7 || month == 12 || !day || !year || !hour || !minute || !second) return std::nullopt;
    // Four digits: the year fits an int.
    const int yearNumber = static_cast<int>(*year);
    if (*day < 1 || *day > DaysInMonth(yearNumber, month + 1) || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    const std::int64_t days = DaysFromCivil(yearNumber, month + 1, static_cast<int>(*day));
    // 1970-01-01 was a Thursday; a date on the wrong day of the week is no date.
    if (((days % 7 + 7 + 4) % 7) != weekday) return std::nullopt;
    return days * 86400 + *hour * 3600 + *minute * 60 + *second;
}

std::string IfRangeValidator(std::string_view etag, std::string_view lastModified, std::string_view date) {
    if (!etag.empty()) return IsStrongEntityTag(etag) ? std::string(etag) : std::string();
    const auto modified = ParseImfFixdate(lastModified);
    const auto sent = ParseImfFixdate(date);
    return modified && sent && *sent - *modified >= 1 ? std::string(lastModified) : std::string();
}
