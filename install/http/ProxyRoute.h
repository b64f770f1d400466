#pragma once
// How the client reaches the file server: directly, or through an HTTP
// proxy that answers its 407 with the logged-on user's credentials.
#include <curl/curl.h>

#include <optional>
#include <string>

struct ProxyRoute {
    // "host:port" (http:// unless it names another scheme); empty: direct,
    // whatever the environment's http_proxy, ALL_PROXY or NO_PROXY say.
    std::string proxy;
    // The failure when the proxy refuses, FormatText with the proxy and
    // its status line.
    std::wstring refusedText;
};

// Sets the route on the handle for a request to an http or https URL: https
// through CONNECT, so TLS runs from the client to the server.
void ApplyProxyRoute(CURL* easy, const ProxyRoute& route, bool https);

// The failure of a request that the proxy refused: an answer to CONNECT
// other than 2xx, or a 407 (only a proxy sends one; the client offers the
// server no credentials). connectStatusLine: the last head's first line
// when the request ended at CONNECT.
std::optional<std::wstring> ProxyRefusal(const ProxyRoute& route, long connectCode,
                                         const std::string& connectStatusLine, int code, const std::string& statusLine);
