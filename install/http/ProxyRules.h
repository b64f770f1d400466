#pragma once
// The rules of Windows' proxy settings that need no Windows: which proxy of
// the user's list serves a URL, given that list and its bypass list as
// Windows keeps them. Decided here for the one URL rather than handed to
// libcurl's no-proxy list, which knows neither "<local>" nor wildcards
// inside a name ("10.*", "*.example.com" without example.com itself).
#include <string>
#include <string_view>

// The proxy for url ("host:port", as the list names it; a scheme other than
// http:// stays written out), or "" for a direct connection.
// proxyList: "host:port" for every scheme, or entries "scheme=host:port",
// separated by ';' or blanks; a list of several serves with its first.
// bypassList: names, '*' anywhere for any run of characters, optionally
// with "scheme://" before and ":port" after; "<local>" for every name
// without a dot. Compared without regard to case.
std::string ProxyForUrl(std::string_view url, std::string_view proxyList, std::string_view bypassList);
