// Which proxy of the user's Windows settings serves a URL: the entry for its
// scheme, and the bypass list as Windows reads it.
#include <gtest/gtest.h>

#include "ProxyRules.h"

TEST(ProxyRules, PicksTheEntryForTheUrlsSchemeUnlessTheBypassListNamesItsHost) {
    const struct {
        const char* url;
        const char* proxies;
        const char* bypass;
        const char* expected;
    } cases[] = {
        // The proxy list.
        {"http://files.example.com/", "proxy:3128", "", "proxy:3128"},
        {"https://files.example.com/", "proxy:3128", "", "proxy:3128"},
        {"http://files.example.com/", "", "", ""},
        {"http://files.example.com/", "http://proxy:3128/", "", "proxy:3128"},
        {"http://files.example.com/", "HTTP://proxy:3128", "", "proxy:3128"},
        {"http://files.example.com/", "https://proxy:443", "", "https://proxy:443"},
        {"http://files.example.com/", "first:1;second:2", "", "first:1"},
        {"http://files.example.com/", " first:1 second:2", "", "first:1"},
        {"https://files.example.com/", "http=web:80;https=secure:443;ftp=files:21", "", "secure:443"},
        {"http://files.example.com/", "http=web:80;https=secure:443", "", "web:80"},
        {"HTTPS://files.example.com/", "HTTPS=secure:443", "", "secure:443"},
        // Named per scheme, a scheme without an entry goes direct.
        {"https://files.example.com/", "http=web:80;socks=socks:1080", "", ""},
        // The bypass list: exact names, '*' anywhere, case, separators.
        {"http://files.example.com/", "p:1", "files.example.com", ""},
        {"http://files.example.com/", "p:1", "FILES.Example.COM", ""},
        {"http://files.example.com/", "p:1", "example.com", "p:1"},
        {"http://files.example.com/", "p:1", "*.example.com", ""},
        {"http://example.com/", "p:1", "*.example.com", "p:1"},
        {"http://files.example.com/", "p:1", "*example*", ""},
        {"http://files.example.com.evil.test/", "p:1", "*.example.com", "p:1"},
        {"http://10.1.2.3:8080/", "p:1", "10.*", ""},
        {"http://110.1.2.3/", "p:1", "10.*", "p:1"},
        {"http://files.example.com/", "p:1", "other.test; files.example.com", ""},
        {"http://files.example.com/", "p:1", "other.test\tfiles.example.com", ""},
        {"http://files.example.com/", "p:1", ";;*;;", ""},
        {"http://files.example.com/", "p:1", "files.example.co", "p:1"},
        {"http://files.example.com/", "p:1", "*.*.*.*.*.*.*.*.*.*.x", "p:1"},
        // <local>: names without a dot.
        {"http://intranet/", "p:1", "<local>", ""},
        {"http://intranet:8080/", "p:1", "<LOCAL>", ""},
        {"http://files.example.com/", "p:1", "<local>", "p:1"},
        {"http://127.0.0.1/", "p:1", "<local>", "p:1"},
        // With a scheme or a port, an entry names only those.
        {"http://files.example.com:8080/", "p:1", "files.example.com:8080", ""},
        {"http://files.example.com/", "p:1", "files.example.com:80", ""},
        {"http://files.example.com:8080/", "p:1", "files.example.com:80", "p:1"},
        {"https://files.example.com/", "p:1", "files.example.com:443", ""},
        {"https://files.example.com/", "p:1", "https://*.example.com", ""},
        {"http://files.example.com/", "p:1", "https://*.example.com", "p:1"},
        // The URL's user part and path take no part.
        {"http://user@files.example.com/path/x.example.com", "p:1", "files.example.com", ""},
        {"http://files.example.com/?q=intranet", "p:1", "<local>", "p:1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.url) + " | " + c.proxies + " | " + c.bypass);
        EXPECT_EQ(ProxyForUrl(c.url, c.proxies, c.bypass), c.expected);
    }
}
