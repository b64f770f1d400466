#include "CookieStore.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t kNow = 1767225600;  // 2026-01-01 00:00:00 UTC

TEST(CookieStore, SendsMatchingCookiesLongerPathFirstThenOlder) {
    CookieStore store;
    store.Store("root=1", "files.example", "/index.html", kNow);
    store.Store("deep=2; Path=/venkor/Files", "files.example", "/", kNow);
    store.Store("mid=3; Path=/venkor", "files.example", "/", kNow);
    store.Store("deep2=4; Path=/venkor/Files/", "files.example", "/", kNow);
    store.Store("other=5; Path=/venkorx", "files.example", "/", kNow);
    store.Store("also=6", "files.example", "/venkor/Files/main.zip", kNow);  // default path /venkor/Files
    EXPECT_EQ(store.CookieHeader("FILES.example", "/venkor/Files/upgrade.zip", false, kNow),
              "deep2=4; deep=2; also=6; mid=3; root=1");
    EXPECT_EQ(store.CookieHeader("files.example", "/venkor", false, kNow), "mid=3; root=1");
    EXPECT_EQ(store.CookieHeader("other.example", "/venkor/Files/main.zip", false, kNow), "");
}

TEST(CookieStore, DomainAttributeRules) {
    CookieStore store;
    store.Store("wide=1; Domain=.Example.com", "files.example.com", "/", kNow);
    store.Store("foreign=2; Domain=other.com", "files.example.com", "/", kNow);        // ignored
    store.Store("sub=3; Domain=a.files.example.com", "files.example.com", "/", kNow);  // ignored
    store.Store("hostonly=4", "files.example.com", "/", kNow);
    store.Store("ip=5; Domain=0.0.1", "127.0.0.1", "/", kNow);  // no parent domains for addresses
    EXPECT_EQ(store.CookieHeader("files.example.com", "/", false, kNow), "wide=1; hostonly=4");
    EXPECT_EQ(store.CookieHeader("www.example.com", "/", false, kNow), "wide=1");
    EXPECT_EQ(store.CookieHeader("x.files.example.com", "/", false, kNow), "wide=1");
    EXPECT_EQ(store.Cookies().size(), 2u);
}

TEST(CookieStore, ReplacingKeepsCreationOrderAndExpiryRemoves) {
    CookieStore store;
    store.Store("a=1", "h", "/", kNow);
    store.Store("b=2", "h", "/", kNow);
    store.Store("a=changed; HttpOnly", "h", "/", kNow);
    EXPECT_EQ(store.CookieHeader("h", "/", false, kNow), "a=changed; b=2");
    store.Store("a=x; Max-Age=0", "h", "/", kNow);
    store.Store("short=1; Max-Age=10", "h", "/", kNow);
    store.Store("dated=1; Expires=Thu, 01 Jan 2026 00:01:00 GMT", "h", "/", kNow);
    store.Store("maxwins=1; Expires=Wed, 01 Jan 2025 00:00:00 GMT; Max-Age=100", "h", "/", kNow);
    store.Store("secure=1; Secure", "h", "/", kNow);
    EXPECT_EQ(store.CookieHeader("h", "/", false, kNow), "b=2; short=1; dated=1; maxwins=1");
    EXPECT_EQ(store.CookieHeader("h", "/", false, kNow + 10), "b=2; dated=1; maxwins=1");
    EXPECT_EQ(store.CookieHeader("h", "/", false, kNow + 60), "b=2; maxwins=1");
    EXPECT_EQ(store.CookieHeader("h", "/", true, kNow + 100), "b=2; secure=1");
}

TEST(CookieStore, IgnoresMalformedValues) {
    CookieStore store;
    for (const char* bad : {"", "novalue", "=nameless", " ; a=1", "\x01\x02"})
        store.Store(bad, "h", "/", kNow);
    store.Store("  spaced  =  value  ; Path", "h", "/p/q", kNow);  // empty Path: the default path
    store.Store("bad=1; Max-Age=1x; Expires=nonsense", "h", "/", kNow);
    EXPECT_EQ(store.CookieHeader("h", "/p/r", false, kNow + 1000000), "spaced=value; bad=1");
}

// A control character could end the Cookie line early and start a header
// of the server's choosing.
TEST(CookieStore, IgnoresCookiesWithControlCharacters) {
    CookieStore store;
    using namespace std::string_literals;
    for (const std::string& bad :
         {"a=1\rInjected: 1"s, "b=1\nX"s, "c=1\0c"s, "d=\x01"s, "e=1\x7f"s, "f=1; Path=/\r"s, "g\x1f=1"s})
        store.Store(bad, "h", "/", kNow);
    store.Store("tab=in\tside", "h", "/", kNow);
    EXPECT_EQ(store.CookieHeader("h", "/", false, kNow), "tab=in\tside");
}

TEST(CookieDate, ParsesTheFormsServersSend) {
    struct Case {
        const char* text;
        std::int64_t seconds;  // -1: not a date
    };
    const Case cases[] = {
        {"Thu, 01 Jan 2026 00:00:00 GMT", kNow},
        {"Thursday, 01-Jan-26 00:00:00 GMT", kNow},
        {"Thu Jan  1 00:00:00 2026", kNow},
        {"1 jan 2026 0:0:0", kNow},
        {"Sun, 29 Feb 2032 23:59:59 GMT", 1961711999},
        {"Sat, 01 Jan 1601 00:00:00 GMT", -11644473600},
        {"Thu, 30 Feb 2026 00:00:00 GMT", -1},
        {"Thu, 01 Jan 1600 00:00:00 GMT", -1},
        {"Thu, 01 Jan 2026 24:00:00 GMT", -1},
        {"Thu, 01 Foo 2026 00:00:00 GMT", -1},
        {"01 Jan 2026", -1},
        {"", -1},
    };
    for (const Case& c : cases) {
        std::int64_t seconds = -1;
        const bool ok = ParseCookieDate(c.text, seconds);
        EXPECT_EQ(ok ? seconds : -1, c.seconds) << c.text;
    }
}

TEST(CookieStore, HoldsABoundedNumberOfCookies) {
    CookieStore store;
    for (std::size_t i = 0; i < CookieStore::kMaxCookies + 10; ++i) {
        std::string cookie = "c";  // appended, not "c" + ...: GCC 12 warns falsely of overlapping copies there
        cookie += std::to_string(i) + "=v";
        store.Store(cookie, "h", "/", kNow);
    }
    EXPECT_EQ(store.Cookies().size(), CookieStore::kMaxCookies);
    EXPECT_EQ(store.CookieHeader("h", "/", false, kNow).substr(0, 6), "c10=v;");
}

}  // namespace
