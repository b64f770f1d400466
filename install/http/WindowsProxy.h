#pragma once
// The proxy the current user's Windows settings name for a URL, as browsers
// take it: an automatic configuration (detected, or a script's address)
// decides for that URL, and one that fails means a direct connection;
// otherwise the proxy set by hand, unless its bypass list names the URL's
// host. Reads the settings anew at each call.
#include <functional>
#include <string>

// "host:port" (ProxyRules.h), or "" for a direct connection. Detection and
// a script's download may take seconds: they run on a thread of their own
// while onBusy (if any) is called every 50 ms, so the window keeps
// painting. When onBusy throws, its exception comes once they are done.
std::string WindowsProxyFor(const std::wstring& url, const std::function<void()>& onBusy);
