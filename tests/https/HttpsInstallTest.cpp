// The installation run of a signed release from an https file server: local
// TLS servers (Python's ssl, servers.sh) with certificates of a test
// CA that the run trusts instead of Windows' store. Wine drive V: is a folder
// of this test alone (with_drive.sh).
#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <vector>

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

// The test CA as a root of the machine's store, for as long as it lives.
class TrustedRoot {
public:
    explicit TrustedRoot(const std::string& pem) {
        DWORD size = 0;
        CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr);
        std::vector<BYTE> der(size);
        if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr))
            return;
        store_ = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
        if (store_)
            CertAddEncodedCertificateToStore(store_, X509_ASN_ENCODING, der.data(), size,
                                             CERT_STORE_ADD_REPLACE_EXISTING, &added_);
    }
    ~TrustedRoot() {
        if (added_) CertDeleteCertificateFromStore(added_);  // frees it too
        if (store_) CertCloseStore(store_, 0);
    }
    TrustedRoot(const TrustedRoot&) = delete;
    TrustedRoot& operator=(const TrustedRoot&) = delete;
    bool Added() const { return added_ != nullptr; }

private:
    HCERTSTORE store_ = nullptr;
    PCCERT_CONTEXT added_ = nullptr;
};

// What a release build does: no certificates of its own, the test CA in the
// system's trust store instead (added to the machine's ROOT store of the
// test's Wine prefix, and removed again).
TEST_F(HttpsInstall, ARootOfTheSystemsStoreIsTrusted) {
    const TrustedRoot root(Fixture(CERTIFICATES, "ca.pem"));
    ASSERT_TRUE(root.Added());
    InstallSource source(Server("localhost"));
    source.signingKey = Fixture(SIGNED_FILES, "maker.pub.line");
    EXPECT_EQ(InstallRunFixture::Run(source), std::nullopt);
    EXPECT_EQ(ReadWholeFile(kPad + L"VENKOR.EXE"), "upgrade version");
}

// On the same path, the system's store decides: another host's certificate,
// or one that chains to no root there, is refused.
TEST_F(HttpsInstall, OnTheStorePathOtherCertificatesAreRefused) {
    if (RunningUnderWine())
        GTEST_SKIP() << "Wine 8's Schannel does not check the server's certificate when libcurl leaves it to "
                        "Schannel (the system's store): both servers are accepted";
    const TrustedRoot root(Fixture(CERTIFICATES, "ca.pem"));
    ASSERT_TRUE(root.Added());
    for (const char* server : {"otherhost", "untrusted"}) {
        SCOPED_TRACE(server);
        Clear();
        InstallSource source(Server(server));
        source.signingKey = Fixture(SIGNED_FILES, "maker.pub.line");
        const auto refused = InstallRunFixture::Run(source);
        ASSERT_TRUE(refused);
        EXPECT_TRUE(refused->starts_with(kTlsFailure)) << *refused;
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
