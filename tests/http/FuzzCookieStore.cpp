// Set-Cookie values come from the network: store and send them back under
// the sanitizers, with the request host and path taken from the input too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "CookieStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // Lines: host, path, then one Set-Cookie value per line.
    const auto next = [&input] {
        const std::size_t end = input.find('\n');
        const std::string_view line = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        return line;
    };
    const std::string_view host = next();
    const std::string_view path = next();
    CookieStore store;
    std::int64_t now = 1767225600;
    while (!input.empty()) {
        const std::string_view value = next();
        store.Store(value, host, path, now);
        std::int64_t seconds = 0;
        ParseCookieDate(value, seconds);
        now += 7;
    }
    // Whatever was set, the Cookie line holds no control character but the tab.
    for (const std::string& header :
         {store.CookieHeader(host, path, false, now), store.CookieHeader(host, "/", true, now + 86400)})
        for (char c : header)
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) __builtin_trap();
    return 0;
}
