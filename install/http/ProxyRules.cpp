#include "ProxyRules.h"

#include <vector>

#include "AsciiText.h"

namespace {

struct UrlTarget {
    std::string_view scheme;
    std::string_view host;
    std::string_view port;  // as written, or the scheme's default
};

bool IsSeparator(char c) { return c == ';' || c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::vector<std::string_view> Entries(std::string_view list) {
    std::vector<std::string_view> entries;
    std::size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && IsSeparator(list[i]))
            ++i;
        const std::size_t start = i;
        while (i < list.size() && !IsSeparator(list[i]))
            ++i;
        if (i > start) entries.push_back(list.substr(start, i - start));
    }
    return entries;
}

// "scheme://" taken off the front of text, returned without "://"; "" when
// text names none.
std::string_view TakeScheme(std::string_view& text) {
    const std::size_t mark = text.find("://");
    if (mark == std::string_view::npos) return {};
    const std::string_view scheme = text.substr(0, mark);
    text.remove_prefix(mark + 3);
    return scheme;
}

// ":digits" taken off the end of text, returned without ':'.
std::string_view TakePort(std::string_view& text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon + 1 == text.size()) return {};
    for (char c : text.substr(colon + 1))
        if (c < '0' || c > '9') return {};
    const std::string_view port = text.substr(colon + 1);
    text = text.substr(0, colon);
    return port;
}

UrlTarget Target(std::string_view url) {
    UrlTarget target;
    target.scheme = TakeScheme(url);
    url = url.substr(0, url.find_first_of("/?#"));
    if (const std::size_t at = url.rfind('@'); at != std::string_view::npos) url.remove_prefix(at + 1);
    target.port = TakePort(url);
    if (target.port.empty()) target.port = EqualsNoCase(target.scheme, "https") ? "443" : "80";
    target.host = url;
    return target;
}

// pattern against text, '*' for any run of characters, without regard to
// case. The last '*' is the only point to return to: at most
// pattern times text steps.
bool WildcardMatch(std::string_view pattern, std::string_view text) {
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && AsciiLower(pattern[p]) == AsciiLower(text[t])) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool Bypassed(std::string_view bypassList, const UrlTarget& target) {
    for (std::string_view entry : Entries(bypassList)) {
        if (EqualsNoCase(entry, "<local>")) {
            if (target.host.find('.') == std::string_view::npos) return true;
            continue;
        }
        const std::string_view scheme = TakeScheme(entry);
        const std::string_view port = TakePort(entry);
        if (!scheme.empty() && !EqualsNoCase(scheme, target.scheme)) continue;
        if (!port.empty() && port != target.port) continue;
        if (WildcardMatch(entry, target.host)) return true;
    }
    return false;
}

}  // namespace

std::string ProxyForUrl(std::string_view url, std::string_view proxyList, std::string_view bypassList) {
    const UrlTarget target = Target(url);
    std::string_view forAll, forScheme;
    for (std::string_view entry : Entries(proxyList)) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) {
            if (forAll.empty()) forAll = entry;
        } else if (forScheme.empty() && EqualsNoCase(entry.substr(0, equals), target.scheme)) {
            forScheme = entry.substr(equals + 1);
        }
    }
    // Named per scheme, a scheme without an entry of its own goes direct.
    std::string_view proxy = forScheme.empty() ? forAll : forScheme;
    if (proxy.size() > 7 && EqualsNoCase(proxy.substr(0, 7), "http://")) proxy.remove_prefix(7);
    while (proxy.ends_with('/'))
        proxy.remove_suffix(1);
    if (proxy.empty() || Bypassed(bypassList, target)) return {};
    return std::string(proxy);
}
