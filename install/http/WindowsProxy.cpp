#include "WindowsProxy.h"

#include <windows.h>
#include <winhttp.h>

#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <thread>

#include "ProxyRules.h"
#include "ScopeExit.h"
#include "TextConversion.h"
#include "UniqueHandle.h"

namespace {

// WinHTTP hands its strings over in GlobalAlloc'd memory.
struct GlobalFreer {
    void operator()(wchar_t* text) const { ::GlobalFree(text); }
};
using GlobalText = std::unique_ptr<wchar_t, GlobalFreer>;

std::string Narrow(const GlobalText& text) { return text ? ToUtf8(text.get()) : std::string(); }

inline void CloseInternetOwned(HINTERNET h) { ::WinHttpCloseHandle(h); }
using UniqueInternet = UniqueOwner<HINTERNET, 0, CloseInternetOwned>;

// What the automatic configuration says for url; nullopt when it failed.
// Detection and the script's address are asked one after the other, as
// Windows tries them; asked both at once, some WinHTTPs refuse.
std::optional<std::string> AutomaticProxy(const std::wstring& url, bool detect, const wchar_t* script) {
    const UniqueInternet session(
        ::WinHttpOpen(L"Setup", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return std::nullopt;
    for (const DWORD method : {WINHTTP_AUTOPROXY_AUTO_DETECT, WINHTTP_AUTOPROXY_CONFIG_URL}) {
        WINHTTP_AUTOPROXY_OPTIONS options{};
        options.dwFlags = method;
        if (method == WINHTTP_AUTOPROXY_AUTO_DETECT) {
            if (!detect) continue;
            options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
        } else {
            if (!script) continue;
            options.lpszAutoConfigUrl = script;
        }
        options.fAutoLogonIfChallenged = TRUE;
        WINHTTP_PROXY_INFO info{};
        if (!::WinHttpGetProxyForUrl(session.Get(), url.c_str(), &options, &info)) continue;
        const GlobalText proxy(info.lpszProxy), bypass(info.lpszProxyBypass);
        if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY) return std::string();
        return ProxyForUrl(ToUtf8(url), Narrow(proxy), Narrow(bypass));
    }
    return std::nullopt;
}

std::string ProxyFromSettings(const std::wstring& url) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!::WinHttpGetIEProxyConfigForCurrentUser(&config)) return {};
    const GlobalText script(config.lpszAutoConfigUrl), proxy(config.lpszProxy), bypass(config.lpszProxyBypass);
    if (config.fAutoDetect || script)
        return AutomaticProxy(url, config.fAutoDetect, script.get()).value_or(std::string());
    return ProxyForUrl(ToUtf8(url), Narrow(proxy), Narrow(bypass));
}

}  // namespace

std::string WindowsProxyFor(const std::wstring& url, const std::function<void()>& onBusy) {
    const UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done) throw std::bad_alloc();
    std::string proxy;
    std::exception_ptr failure;
    {
        std::thread reader([&] {
            try {
                proxy = ProxyFromSettings(url);
            } catch (...) {
                failure = std::current_exception();
            }
            ::SetEvent(done.Get());
        });
        // Also when onBusy throws: the thread uses this frame.
        const ScopeExit join([&] { reader.join(); });
        while (::WaitForSingleObject(done.Get(), 50) == WAIT_TIMEOUT)
            if (onBusy) onBusy();
    }
    if (failure) std::rethrow_exception(failure);
    return proxy;
}
