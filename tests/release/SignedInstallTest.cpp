// The installation run of a signed release against a loopback file server:
// every archive is unpacked only after its signature, made by the real
// minisign tool, verifies against the maker's key. Wine drive V: is a folder
// of this test alone (with_drive.sh).
#include <vector>

#include "InstallRunFixture.h"
#include "LoopbackServer.h"

namespace fs = std::filesystem;

namespace {

std::string Signed(const std::string& name) { return MadeFile(SIGNED_FILES, name); }
Reply Ok(const std::string& body) {
    return {{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body}};
}
Reply NotFound() { return {{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}}; }
std::wstring NotSigned(const std::wstring& archive) {
    return L"The file \"" + archive + L"\" is not signed with the maker's key; nothing was installed from it.";
}

class SignedInstall : public InstallRunFixture {
protected:
    std::optional<std::wstring> Run(LoopbackServer& server) {
        InstallSource source(server.BaseUrl());
        source.signingKey = Signed("maker.pub.line");
        return InstallRunFixture::Run(source);
    }
    static std::vector<std::string> RequestLines(const LoopbackServer& server) {
        std::vector<std::string> lines;
        for (const auto& head : server.Requests())
            lines.push_back(head.substr(0, head.find("\r\n")));
        return lines;
    }
};

TEST_F(SignedInstall, FetchesEachSignatureAfterItsArchiveOverTheSameConnectionAndInstalls) {
    LoopbackServer server({Ok(Signed("main.zip")), Ok(Signed("main.zip.minisig")), Ok(Signed("upgrade.zip")),
                           Ok(Signed("upgrade.zip.minisig"))});
    EXPECT_EQ(Run(server), std::nullopt);
    EXPECT_EQ(RequestLines(server), (std::vector<std::string>{
                                        "GET /venkor/Files/main.zip HTTP/1.1",
                                        "GET /venkor/Files/main.zip.minisig HTTP/1.1",
                                        "GET /venkor/Files/upgrade.zip HTTP/1.1",
                                        "GET /venkor/Files/upgrade.zip.minisig HTTP/1.1",
                                    }));
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_EQ(Listing(), (std::set<std::wstring>{L"VENKOR.EXE", L"only-main.txt", L"locked.txt"}));
    EXPECT_EQ(ReadWholeFile(kPad + L"VENKOR.EXE"), "upgrade version");
}

TEST_F(SignedInstall, AMainArchiveThatIsNotTheMakersIsNotUnpackedAndEndsTheRun) {
    LoopbackServer server({Ok(Signed("upgrade.zip")), Ok(Signed("main.zip.minisig")), Ok(Signed("upgrade.zip")),
                           Ok(Signed("upgrade.zip.minisig"))});
    EXPECT_EQ(Run(server), NotSigned(L"main.zip"));
    EXPECT_EQ(server.Requests().size(), 2u);
    // The refused archive stays, as any archive that fails does; nothing of it is unpacked.
    EXPECT_EQ(Listing(), std::set<std::wstring>{L"main.zip"});
}

// Each fault of upgrade.zip or its signature: the run fails with its text,
// nothing of upgrade.zip is unpacked, and what main.zip installed stays.
TEST_F(SignedInstall, AFaultyUpgradeOrSignatureLeavesWhatMainInstalled) {
    const std::wstring notSigned = NotSigned(L"upgrade.zip");
    const struct {
        const char* fault;
        std::string archive;
        Reply signature;
        std::wstring message;
    } cases[] = {
        {"tampered archive", Signed("upgrade.tampered.zip"), Ok(Signed("upgrade.zip.minisig")), notSigned},
        {"missing signature", Signed("upgrade.zip"), NotFound(), L"HTTP/1.1 404 Not Found"},
        {"signed by another key", Signed("upgrade.zip"), Ok(Signed("upgrade.zip.stranger.minisig")), notSigned},
        {"legacy signature", Signed("upgrade.zip"), Ok(Signed("upgrade.zip.legacy.minisig")), notSigned},
        {"truncated signature", Signed("upgrade.zip"), Ok(Signed("upgrade.zip.truncated.minisig")), notSigned},
        {"oversized signature", Signed("upgrade.zip"), Ok(Signed("upgrade.zip.oversized.minisig")), notSigned},
        {"signature of the other archive", Signed("upgrade.zip"), Ok(Signed("main.zip.minisig")), notSigned},
        {"empty signature", Signed("upgrade.zip"), Ok(""), notSigned},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Clear();
        LoopbackServer server({Ok(Signed("main.zip")), Ok(Signed("main.zip.minisig")), Ok(c.archive), c.signature});
        EXPECT_EQ(Run(server), c.message);
        EXPECT_EQ(server.Requests().size(), 4u);
        EXPECT_EQ(Listing(), (std::set<std::wstring>{L"VENKOR.EXE", L"only-main.txt", L"locked.txt", L"upgrade.zip"}));
        EXPECT_EQ(ReadWholeFile(kPad + L"VENKOR.EXE"), "main version");
    }
}

}  // namespace
