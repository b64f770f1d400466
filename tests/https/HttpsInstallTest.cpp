// The installation run of a signed release from an https file server: local
// TLS servers (Python's ssl, servers.sh) with certificates of a test
// CA that the run trusts instead of Windows' store. Wine drive V: is a folder
// of this test alone (with_drive.sh).
#include <cstdint>

#include "InstallRunFixture.h"
#include "LoopbackServer.h"
#include "TlsSettings.h"

namespace fs = std::filesystem;

namespace {

const std::wstring kTlsFailure = L"The secure connection to the file server failed: ";

std::string Fixture(const char* folder, const std::string& name) { return MadeFile(folder, name); }

// https://localhost:PORT/ of the TLS server with name's certificate
// (servers.sh, started by ctest before this test).
std::wstring Server(const char* name) {
    std::string port = Fixture(SERVERS, std::string(name) + ".port");
    while (!port.empty() && (port.back() == '\n' || port.back() == '\r'))
        port.pop_back();
    return L"https://localhost:" + std::wstring(port.begin(), port.end()) + L"/";
}

class HttpsInstall : public InstallRunFixture {
protected:
    std::optional<std::wstring> Run(const std::wstring& fileServer) {
        InstallSource source(fileServer);
        source.signingKey = Fixture(SIGNED_FILES, "maker.pub.line");
        source.trustedCertificates = Fixture(CERTIFICATES, "ca.pem");
        return InstallRunFixture::Run(source);
    }
};

TEST_F(HttpsInstall, InstallsSignedArchivesFromAServerWithATrustedCertificate) {
    EXPECT_EQ(Run(Server("localhost")), std::nullopt);
    EXPECT_EQ(ReadWholeFile(kPad + L"VENKOR.EXE"), "upgrade version");
    EXPECT_FALSE(fs::exists(fs::path(kPad + L"main.zip")));
}

// Each fails before a byte of main.zip is written, with the TLS text and
// libcurl's reason; the empty archive file does not stay.
TEST_F(HttpsInstall, RefusesAnUntrustedCertificateAWrongHostNameAndAFailedHandshake) {
    const struct {
        const char* server;
        const wchar_t* reason;
    } cases[] = {
        // The server sends its own certificate only: no chain to a trusted root.
        {"untrusted", L"schannel: CertGetCertificateChain trust error CERT_TRUST_IS_PARTIAL_CHAIN"},
        {"otherhost",
         L"schannel: CertGetNameString() failed to match connection hostname (localhost) against server certificate "
         L"names"},
        // Answers the handshake with an HTTP error page.
        {"plain", L"schannel: failed to receive handshake, SSL/TLS connection failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server);
        Clear();
        const std::optional<std::wstring> message = Run(Server(c.server));
        ASSERT_TRUE(message);
        EXPECT_EQ(*message, kTlsFailure + c.reason);
        EXPECT_FALSE(fs::exists(fs::path(kPad + L"main.zip")));
    }
}

struct DroppingSink final : TResponseSink {
    void Write(const std::uint8_t*, std::size_t) override {}
};

// An http build never speaks TLS, and an https build never sends a request
// in the clear, whatever URL it is given.
TEST(HttpsClient, AllowsOnlyTheSchemeOfTheConfiguredServer) {
    DroppingSink sink;
    TIdHTTP plainBuild;
    EXPECT_THROW(plainBuild.Get(Server("localhost") + L"main.zip", sink), Failure);

    LoopbackServer clear({{{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}}});
    TIdHTTP httpsBuild;
    httpsBuild.SetTls(TlsSettingsFor(L"https://localhost/", Fixture(CERTIFICATES, "ca.pem"), false));
    EXPECT_THROW(httpsBuild.Get(clear.BaseUrl() + L"main.zip", sink), Failure);
    EXPECT_EQ(clear.Connections(), 0);
}

}  // namespace
