// A signed release's run through the proxy the user's Windows settings name,
// against loopback proxies (proxy_server.py, started by ctest): set by hand,
// bypassed, chosen by a script, a script that fails, and a proxy that asks
// for credentials the run does not give. The settings are written where
// Wine reads them, the DefaultConnectionSettings value (flags, then the
// proxy, bypass list and script address, each after its length); this test
// runs in a Wine prefix of its own, as every program of a prefix reads them.
//
// What Wine cannot show: a proxy that takes the logged-on user's
// credentials (Negotiate or NTLM through SSPI needs a domain, or winbind's
// ntlm_auth, which the test machines lack), so only a refusal is tested;
// detection of a proxy (WPAD) by DHCP or DNS, which finds none here and
// goes direct as a failing script does; and the settings Windows keeps
// elsewhere than in that value (group policy, per-connection settings).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "InstallRunFixture.h"
#include "LoopbackServer.h"
#include "TlsSettings.h"

namespace {

std::string Signed(const std::string& name) { return MadeFile(SIGNED_FILES, name); }
Reply Ok(const std::string& body) {
    return {{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body}};
}
std::vector<Reply> SignedArchives() {
    return {Ok(Signed("main.zip")), Ok(Signed("main.zip.minisig")), Ok(Signed("upgrade.zip")),
            Ok(Signed("upgrade.zip.minisig"))};
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// The port of a loopback proxy (or the https tests' server) named name.
std::string PortOf(const char* folder, const std::string& name) { return Trimmed(MadeFile(folder, name + ".port")); }
std::string Proxy(const std::string& name) { return "127.0.0.1:" + PortOf(PROXIES, name); }

// The request lines a proxy received, one a line.
std::vector<std::string> ProxyLog(const std::string& name) {
    std::vector<std::string> lines;
    std::string text;
    try {
        text = MadeFile(PROXIES, name + ".log");
    } catch (...) {
        return lines;
    }
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The connection settings' flags.
constexpr DWORD kDirect = 1, kManualProxy = 2, kScript = 4, kDetect = 8;
const wchar_t kConnections[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

void WriteSettings(DWORD flags, const std::string& proxy, const std::string& bypass = "",
                   const std::string& script = "") {
    std::string blob;
    const auto add = [&](DWORD value) { blob.append(reinterpret_cast<const char*>(&value), sizeof value); };
    add(0x46);  // version
    add(1);     // counter
    add(flags);
    for (const std::string* text : {&proxy, &bypass, &script}) {
        add(static_cast<DWORD>(text->size()));
        blob += *text;
    }
    blob.append(32, '\0');
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kConnections, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const LSTATUS written = RegSetValueExW(key, L"DefaultConnectionSettings", 0, REG_BINARY,
                                           reinterpret_cast<const BYTE*>(blob.data()), static_cast<DWORD>(blob.size()));
    RegCloseKey(key);
    ASSERT_EQ(written, ERROR_SUCCESS);
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring Refused(const std::string& proxy) {
    return L"The proxy server " + Wide(proxy) +
           L" refused the connection to the file server: HTTP/1.1 407 Proxy Authentication Required";
}

// A host name that no resolver knows: only a proxy reaches it (the
// loopback proxies send every name to 127.0.0.1).
std::wstring UnresolvableUrl(const LoopbackServer& server) {
    return L"http://venkor-files.invalid:" + std::to_wstring(server.Port()) + L"/";
}

class ProxyInstall : public InstallRunFixture {
protected:
    void TearDown() override {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kConnections, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, L"DefaultConnectionSettings");
            RegCloseKey(key);
        }
        InstallRunFixture::TearDown();
    }
    std::optional<std::wstring> RunSigned(const std::wstring& fileServer) {
        InstallSource source(fileServer);
        source.signingKey = Signed("maker.pub.line");
        source.signaturesNotBefore = 1600000000;
        return Run(source);
    }
    static std::vector<std::string> RequestLines(const LoopbackServer& server) {
        std::vector<std::string> lines;
        for (const auto& head : server.Requests())
            lines.push_back(head.substr(0, head.find("\r\n")));
        return lines;
    }
};

TEST_F(ProxyInstall, GoesThroughTheProxySetByHand) {
    WriteSettings(kDirect | kManualProxy, Proxy("forward"), "<local>;*.example.com");
    LoopbackServer server(SignedArchives());
    const std::wstring url = UnresolvableUrl(server);
    ASSERT_EQ(RunSigned(url), std::nullopt);
    const std::string base = "http://venkor-files.invalid:" + std::to_string(server.Port()) + "/venkor/Files/";
    EXPECT_EQ(RequestLines(server), (std::vector<std::string>{
                                        "GET " + base + "main.zip HTTP/1.1",
                                        "GET " + base + "main.zip.minisig HTTP/1.1",
                                        "GET " + base + "upgrade.zip HTTP/1.1",
                                        "GET " + base + "upgrade.zip.minisig HTTP/1.1",
                                    }));
    EXPECT_EQ(ReadWholeFile(kPad + L"VENKOR.EXE"), "upgrade version");
}

// https through CONNECT: TLS runs from the client to the file server, whose
// certificate is checked as on a direct connection.
TEST_F(ProxyInstall, TunnelsHttpsThroughTheProxy) {
    WriteSettings(kManualProxy, Proxy("forward"));
    const std::string port = PortOf(HTTPS_SERVERS, "localhost");
    InstallSource source(L"https://localhost:" + Wide(port) + L"/");
    source.signingKey = Signed("maker.pub.line");
    source.trustedCertificates = MadeFile(CERTIFICATES, "ca.pem");
    ASSERT_EQ(Run(source), std::nullopt);
    EXPECT_TRUE(Contains(ProxyLog("forward"), "CONNECT localhost:" + port + " HTTP/1.1"));
    EXPECT_EQ(ReadWholeFile(kPad + L"VENKOR.EXE"), "upgrade version");
    // The answer is the server's, not the proxy's answer to CONNECT.
    struct : TResponseSink {
        void Write(const std::uint8_t*, std::size_t) override {}
    } sink;
    TIdHTTP client;
    client.SetTls(TlsSettingsFor(source.fileServer, source.trustedCertificates, true));
    client.SetProxy({Proxy("forward"), L"%s %s"});
    try {
        client.Get(source.fileServer + L"nothing-here.zip", sink);
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Message(), L"HTTP/1.1 404 File not found");
    }
}

// A bypass list that names the file server: the run goes direct, past a
// proxy that would refuse it; one that does not name it: the proxy refuses.
TEST_F(ProxyInstall, GoesDirectWhereTheBypassListNamesTheServer) {
    const struct {
        const char* bypass;
        bool direct;
    } cases[] = {
        {"127.0.0.1", true}, {"*.example.com; 127.0.0.*", true}, {"<local> 127.*", true},
        {"<local>", false},  {"*.example.com;127.0.0.2", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bypass);
        Clear();
        WriteSettings(kManualProxy, Proxy("basic"), c.bypass);
        LoopbackServer server(SignedArchives());
        if (c.direct) {
            EXPECT_EQ(RunSigned(server.BaseUrl()), std::nullopt);
            EXPECT_EQ(RequestLines(server).front(), "GET /venkor/Files/main.zip HTTP/1.1");
        } else {
            EXPECT_EQ(RunSigned(server.BaseUrl()), Refused(Proxy("basic")));
            EXPECT_EQ(server.Requests().size(), 0u);
        }
    }
}

// The script decides for the file server's URL; a script that cannot be
// fetched or fails goes direct, as browsers do.
TEST_F(ProxyInstall, FollowsTheConfigurationScriptAndGoesDirectWhenItFails) {
    const std::string scripts = "http://" + Proxy("pac") + "/";
    {
        WriteSettings(kScript, "", "", scripts + "good.pac");
        LoopbackServer server(SignedArchives());
        EXPECT_EQ(RunSigned(UnresolvableUrl(server)), std::nullopt);
        EXPECT_EQ(RequestLines(server).front(), "GET http://venkor-files.invalid:" + std::to_string(server.Port()) +
                                                    "/venkor/Files/main.zip HTTP/1.1");
    }
    // With a proxy set by hand beside it, which would refuse the run.
    for (const char* script : {"broken.pac", "missing.pac"}) {
        SCOPED_TRACE(script);
        Clear();
        WriteSettings(kManualProxy | kScript, Proxy("basic"), "", scripts + script);
        LoopbackServer server(SignedArchives());
        EXPECT_EQ(RunSigned(server.BaseUrl()), std::nullopt);
        EXPECT_EQ(RequestLines(server).front(), "GET /venkor/Files/main.zip HTTP/1.1");
    }
    EXPECT_TRUE(Contains(ProxyLog("pac"), "GET /broken.pac HTTP/1.1"));
    // A script that takes a second to come: the window is kept painting
    // meanwhile, before the first request.
    {
        Clear();
        WriteSettings(kScript, "", "", scripts + "slow.pac");
        LoopbackServer server(SignedArchives());
        int callsBeforeFirstRequest = 0;
        http.SetOnBusy([&] { callsBeforeFirstRequest += server.Connections() == 0; });
        EXPECT_EQ(RunSigned(UnresolvableUrl(server)), std::nullopt);
        http.SetOnBusy(nullptr);
        EXPECT_GE(callsBeforeFirstRequest, 10);
    }
    // Detection finds no proxy here: direct as well.
    Clear();
    WriteSettings(kDetect | kManualProxy, Proxy("basic"));
    LoopbackServer server(SignedArchives());
    EXPECT_EQ(RunSigned(server.BaseUrl()), std::nullopt);
}

// A proxy that wants a password (Basic) gets none: the run ends naming it
// and its status line, before the file server is asked anything. The same
// for one that offers Negotiate and NTLM, whose SSPI answer Wine cannot
// give.
TEST_F(ProxyInstall, AProxyThatStillRefusesEndsTheRunNamingIt) {
    for (const char* name : {"basic", "sspi"}) {
        for (const char* scheme : {"http", "https"}) {
            SCOPED_TRACE(std::string(name) + " " + scheme);
            Clear();
            WriteSettings(kManualProxy, Proxy(name));
            EXPECT_EQ(RunSigned(Wide(scheme) + L"://venkor-files.invalid/"), Refused(Proxy(name)));
        }
    }
    for (const std::string& line : ProxyLog("basic"))
        EXPECT_NE(line, "Proxy-Authorization: Basic");
    for (const std::string& line : ProxyLog("sspi"))
        std::printf("sspi proxy received: %s\n", line.c_str());
}

// A proxy that challenges the first request of a connection and lets the
// one sent again pass: what follows the 407 is the file server's answer
// (the client gets both heads). Under Wine libcurl sends the request again
// without credentials, which SSPI cannot make here; for CONNECT it gives up
// instead, so https is not shown.
TEST_F(ProxyInstall, TheAnswerAfterTheProxysChallengeIsTheServers) {
    WriteSettings(kManualProxy, Proxy("once"));
    LoopbackServer server(SignedArchives());
    EXPECT_EQ(RunSigned(UnresolvableUrl(server)), std::nullopt);
    EXPECT_EQ(ReadWholeFile(kPad + L"VENKOR.EXE"), "upgrade version");
}

// A build without a signing key connects directly whatever the settings name.
TEST_F(ProxyInstall, TheDefaultBuildIgnoresTheSettings) {
    WriteSettings(kManualProxy, Proxy("basic"));
    LoopbackServer server({Ok(Signed("main.zip")), Ok(Signed("upgrade.zip"))});
    EXPECT_EQ(Run(InstallSource(server.BaseUrl())), std::nullopt);
    EXPECT_EQ(RequestLines(server).front(), "GET /venkor/Files/main.zip HTTP/1.1");
}

}  // namespace
