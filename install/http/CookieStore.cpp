#include "CookieStore.h"

#include <algorithm>
#include <array>
#include <optional>

#include "AsciiText.h"
#include "CivilDate.h"

namespace {

constexpr std::int64_t kEarliest = INT64_MIN;

std::string ToLower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = AsciiLower(c);
    return result;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Host names that are IPv4 literals never domain-match a parent domain.
bool IsIpv4Literal(std::string_view host) {
    if (host.empty()) return false;
    for (char c : host)
        if (!IsDigit(c) && c != '.') return false;
    return true;
}

// RFC 6265 section 5.1.3.
bool DomainMatches(std::string_view host, std::string_view domain) {
    if (host == domain) return true;
    return host.size() > domain.size() && host.ends_with(domain) && host[host.size() - domain.size() - 1] == '.' &&
           !IsIpv4Literal(host);
}

// RFC 6265 section 5.1.4.
std::string DefaultPath(std::string_view requestPath) {
    if (requestPath.empty() || requestPath.front() != '/') return "/";
    const std::size_t last = requestPath.rfind('/');
    if (last == 0) return "/";
    return std::string(requestPath.substr(0, last));
}

bool PathMatches(std::string_view requestPath, std::string_view cookiePath) {
    if (requestPath == cookiePath) return true;
    if (!requestPath.starts_with(cookiePath)) return false;
    return cookiePath.ends_with('/') || requestPath[cookiePath.size()] == '/';
}

// Max-Age: an optional minus sign and digits; nothing for anything else.
std::optional<std::int64_t> ParseMaxAge(std::string_view text, std::int64_t now) {
    const bool negative = text.starts_with('-');
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty()) return std::nullopt;
    std::int64_t delta = 0;
    for (char c : digits) {
        if (!IsDigit(c)) return std::nullopt;
        delta = delta > (INT64_MAX - 9) / 10 ? INT64_MAX : delta * 10 + (c - '0');
    }
    if (negative || delta == 0) return kEarliest;
    return delta >= CookieStore::kSessionCookie - 1 - now ? CookieStore::kSessionCookie - 1 : now + delta;
}

bool IsDateDelimiter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u == 0x09 || (u >= 0x20 && u <= 0x2F) || (u >= 0x3B && u <= 0x40) || (u >= 0x5B && u <= 0x60) ||
           (u >= 0x7B && u <= 0x7E);
}

// Reads 1 to maxDigits digits at the start of token; the rest must not start
// with a digit. Returns the number of digits read, 0 when it does not fit.
std::size_t LeadingNumber(std::string_view token, std::size_t minDigits, std::size_t maxDigits, int& value) {
    std::size_t n = 0;
    value = 0;
    while (n < token.size() && IsDigit(token[n])) {
        if (n == maxDigits) return 0;
        value = value * 10 + (token[n] - '0');
        ++n;
    }
    return n >= minDigits ? n : 0;
}

bool ParseTime(std::string_view token, int& hour, int& minute, int& second) {
    int* parts[] = {&hour, &minute, &second};
    for (int i = 0; i < 3; ++i) {
        const std::size_t n = LeadingNumber(token, 1, 2, *parts[i]);
        if (n == 0) return false;
        token.remove_prefix(n);
        if (i < 2) {
            if (token.empty() || token.front() != ':') return false;
            token.remove_prefix(1);
        }
    }
    return true;
}

int MonthOf(std::string_view token) {
    static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
    if (token.size() < 3) return 0;
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (EqualsNoCase(token.substr(0, 3), kMonths[i])) return static_cast<int>(i) + 1;
    return 0;
}

}  // namespace

bool ParseCookieDate(std::string_view text, std::int64_t& seconds) {
    bool foundTime = false, foundDay = false, foundMonth = false, foundYear = false;
    int hour = 0, minute = 0, second = 0, day = 0, month = 0, year = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsDateDelimiter(text[pos]))
            ++pos;
        const std::size_t start = pos;
        while (pos < text.size() && !IsDateDelimiter(text[pos]))
            ++pos;
        const std::string_view token = text.substr(start, pos - start);
        if (token.empty()) continue;
        int value = 0;
        if (!foundTime && ParseTime(token, hour, minute, second)) {
            foundTime = true;
        } else if (!foundDay && LeadingNumber(token, 1, 2, value)) {
            foundDay = true;
            day = value;
        } else if (!foundMonth && MonthOf(token) != 0) {
            foundMonth = true;
            month = MonthOf(token);
        } else if (!foundYear && LeadingNumber(token, 2, 4, value)) {
            foundYear = true;
            year = value;
        }
    }
    if (foundYear && year >= 70 && year <= 99) year += 1900;
    if (foundYear && year >= 0 && year <= 69) year += 2000;
    if (!foundTime || !foundDay || !foundMonth || !foundYear) return false;
    if (day < 1 || day > DaysInMonth(year, month) || year < 1601 || hour > 23 || minute > 59 || second > 59)
        return false;
    seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

namespace {

// Control characters other than the tab would reach the request head
// (RFC 6265bis: the whole value is ignored).
bool HoldsControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && u != '\t') || u == 0x7F;
    });
}

struct NameValue {
    std::string_view name;
    std::string_view value;
};

// RFC 6265 section 5.2 steps 1-6: the name-value pair before the first ';'.
std::optional<NameValue> ParseNameValue(std::string_view pair) {
    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view name = TrimBlanks(pair.substr(0, equals));
    if (name.empty()) return std::nullopt;
    return NameValue{name, TrimBlanks(pair.substr(equals + 1))};
}

// What the attributes after the pair say; empty domain and path when none
// (or no valid one) was given.
struct CookieAttributes {
    std::int64_t expiry = CookieStore::kSessionCookie;
    std::string domain;  // lower case, without a leading dot
    std::string path;
    bool secure = false;
    bool httpOnly = false;
};

// RFC 6265 section 5.2.1-5.2.6 for one attribute; Max-Age wins over Expires
// whatever their order.
void ParseAttribute(std::string_view key, std::string_view value, std::int64_t now, bool& maxAgeSeen,
                    CookieAttributes& attributes) {
    if (EqualsNoCase(key, "expires")) {
        std::int64_t when = 0;
        if (!maxAgeSeen && ParseCookieDate(value, when)) attributes.expiry = when <= now ? kEarliest : when;
    } else if (EqualsNoCase(key, "max-age")) {
        if (const auto expiry = ParseMaxAge(value, now)) {
            attributes.expiry = *expiry;
            maxAgeSeen = true;
        }
    } else if (EqualsNoCase(key, "domain")) {
        attributes.domain = ToLower(value.starts_with('.') ? value.substr(1) : value);
    } else if (EqualsNoCase(key, "path")) {
        attributes.path = value.starts_with('/') ? std::string(value) : std::string();
    } else if (EqualsNoCase(key, "secure")) {
        attributes.secure = true;
    } else if (EqualsNoCase(key, "httponly")) {
        attributes.httpOnly = true;
    }
}

// The ';'-separated attributes that follow the pair.
CookieAttributes ParseAttributes(std::string_view text, std::int64_t now) {
    CookieAttributes attributes;
    bool maxAgeSeen = false;
    while (text.starts_with(';')) {
        text.remove_prefix(1);
        const std::size_t next = text.find(';');
        const std::string_view av = text.substr(0, next);
        text = next == std::string_view::npos ? std::string_view() : text.substr(next);
        const std::size_t eq = av.find('=');
        const std::string_view value =
            eq == std::string_view::npos ? std::string_view() : TrimBlanks(av.substr(eq + 1));
        ParseAttribute(TrimBlanks(av.substr(0, eq)), value, now, maxAgeSeen, attributes);
    }
    return attributes;
}

}  // namespace

void CookieStore::Store(std::string_view setCookie, std::string_view requestHost, std::string_view requestPath,
                        std::int64_t now) {
    if (HoldsControlCharacter(setCookie)) return;
    const std::size_t semicolon = setCookie.find(';');
    const auto pair = ParseNameValue(setCookie.substr(0, semicolon));
    if (!pair) return;
    CookieAttributes attributes =
        ParseAttributes(semicolon == std::string_view::npos ? std::string_view() : setCookie.substr(semicolon), now);

    // RFC 6265 section 5.3 steps 6-7: a Domain the host does not match
    // refuses the cookie; without one the cookie is the host's alone.
    std::string host = ToLower(requestHost);
    if (!attributes.domain.empty() && !DomainMatches(host, attributes.domain)) return;
    const bool hostOnly = attributes.domain.empty();
    Insert(
        Cookie{
            .name = std::string(pair->name),
            .value = std::string(pair->value),
            .domain = hostOnly ? std::move(host) : std::move(attributes.domain),
            .path = attributes.path.empty() ? DefaultPath(requestPath) : std::move(attributes.path),
            .expiry = attributes.expiry,
            .creation = 0,
            .hostOnly = hostOnly,
            .secure = attributes.secure,
            .httpOnly = attributes.httpOnly,
        },
        now);
}

// A cookie of the same name, domain and path is replaced, keeping its place
// in the order of creation.
void CookieStore::Insert(Cookie cookie, std::int64_t now) {
    const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& c) {
        return c.name == cookie.name && c.domain == cookie.domain && c.path == cookie.path;
    });
    if (same != cookies_.end()) {
        cookie.creation = same->creation;
        *same = std::move(cookie);
    } else {
        cookie.creation = nextCreation_++;
        cookies_.push_back(std::move(cookie));
    }
    DropExpired(now);
    if (cookies_.size() > kMaxCookies) {
        const auto oldest = std::min_element(cookies_.begin(), cookies_.end(),
                                             [](const Cookie& a, const Cookie& b) { return a.creation < b.creation; });
        cookies_.erase(oldest);
    }
}

std::string CookieStore::CookieHeader(std::string_view host, std::string_view path, bool secureChannel,
                                      std::int64_t now) {
    DropExpired(now);
    const std::string lowerHost = ToLower(host);
    std::vector<const Cookie*> matching;
    for (const Cookie& c : cookies_) {
        const bool domainOk = c.hostOnly ? lowerHost == c.domain : DomainMatches(lowerHost, c.domain);
        if (domainOk && PathMatches(path, c.path) && (!c.secure || secureChannel)) matching.push_back(&c);
    }
    std::stable_sort(matching.begin(), matching.end(), [](const Cookie* a, const Cookie* b) {
        if (a->path.size() != b->path.size()) return a->path.size() > b->path.size();
        return a->creation < b->creation;
    });
    std::string header;
    for (const Cookie* c : matching) {
        if (!header.empty()) header += "; ";
        header += c->name;
        header += '=';
        header += c->value;
    }
    return header;
}

void CookieStore::DropExpired(std::int64_t now) {
    std::erase_if(cookies_, [now](const Cookie& c) { return c.expiry != kSessionCookie && c.expiry <= now; });
}
