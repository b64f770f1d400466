#pragma once
// The HTTP client's in-memory cookie store (RFC 6265, without a public
// suffix list). Platform-neutral: it sees header values as bytes and time as
// seconds since 1970, so that the rules can be tested natively.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Cookie {
    std::string name;
    std::string value;
    std::string domain;  // lower case, without a leading dot
    std::string path;
    std::int64_t expiry;     // seconds since 1970; kSessionCookie when none was given
    std::uint64_t creation;  // order of first creation, kept when a cookie is replaced
    bool hostOnly;
    bool secure;
    bool httpOnly;
};

class CookieStore {
public:
    static constexpr std::int64_t kSessionCookie = INT64_MAX;
    // A bound on what a server can make us hold; the oldest cookies go first.
    static constexpr std::size_t kMaxCookies = 3000;

    // Takes one Set-Cookie header value of an answer to a request for
    // requestHost and requestPath (the path of the URL, without a query).
    // A value that sets no valid cookie is ignored, as RFC 6265 asks, and so
    // is one that holds a control character other than the tab.
    void Store(std::string_view setCookie, std::string_view requestHost, std::string_view requestPath,
               std::int64_t now);

    // The value of the Cookie header for a request, or empty when no cookie
    // applies: name=value pairs joined by "; ", longer paths first, then in
    // order of creation. Expired cookies are dropped from the store first.
    std::string CookieHeader(std::string_view host, std::string_view path, bool secureChannel, std::int64_t now);

    const std::vector<Cookie>& Cookies() const { return cookies_; }

private:
    void Insert(Cookie cookie, std::int64_t now);
    void DropExpired(std::int64_t now);

    std::vector<Cookie> cookies_;
    std::uint64_t nextCreation_ = 0;
};

// RFC 6265 section 5.1.1: a cookie date as seconds since 1970; false when the
// text is no valid date.
bool ParseCookieDate(std::string_view text, std::int64_t& seconds);
