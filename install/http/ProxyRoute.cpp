#include "ProxyRoute.h"

#include "FormatText.h"
#include "HttpExchange.h"

void ApplyProxyRoute(CURL* easy, const ProxyRoute& route, bool https) {
    // "" rather than no value: libcurl would otherwise take the proxy from
    // the environment.
    curl_easy_setopt(easy, CURLOPT_PROXY, route.proxy.c_str());
    if (route.proxy.empty()) return;
    // Also no bypass from the environment: the route was decided for this URL.
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
    curl_easy_setopt(easy, CURLOPT_HTTPPROXYTUNNEL, https ? 1L : 0L);
    // The proxy's answer to CONNECT is no answer of the file server.
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    // Empty name and password: SSPI answers with the logged-on user's
    // credentials. Never Basic: that would send a password in the clear.
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_NEGOTIATE | CURLAUTH_NTLM));
    curl_easy_setopt(easy, CURLOPT_PROXYUSERPWD, ":");
}

std::optional<std::wstring> ProxyRefusal(const ProxyRoute& route, long connectCode,
                                         const std::string& connectStatusLine, int code,
                                         const std::string& statusLine) {
    if (route.proxy.empty()) return std::nullopt;
    const bool refusedConnect = connectCode != 0 && (connectCode < 200 || connectCode > 299);
    if (!refusedConnect && code != 407) return std::nullopt;
    return FormatText(route.refusedText,
                      {AsciiText(route.proxy), AsciiText(refusedConnect ? connectStatusLine : statusLine)});
}
