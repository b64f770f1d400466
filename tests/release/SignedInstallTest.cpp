// The installation run of a signed release against a loopback file server:
// every archive is unpacked only after its signature, made by the real
// minisign tool, verifies against the maker's key for that archive and this
// release; nothing else is left to be started. Wine drive V: is a folder of
// this test alone (with_drive.sh).
#include <windows.h>
#include <aclapi.h>

#include <vector>

#include "InstallRunFixture.h"
#include "LoopbackServer.h"
#include "SignedArchive.h"
#include "UniqueHandle.h"

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

// Signatures made before this are an older release's; the test's own are
// made at build time, long after it.
constexpr std::int64_t kFloor = 1600000000;

class SignedInstall : public InstallRunFixture {
protected:
    static InstallSource Source(const LoopbackServer& server) {
        InstallSource source(server.BaseUrl());
        source.signingKey = Signed("maker.pub.line");
        source.signaturesNotBefore = kFloor;
        return source;
    }
    std::optional<std::wstring> Run(LoopbackServer& server) { return InstallRunFixture::Run(Source(server)); }
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
    // Nothing of it is unpacked, and the refused bytes do not stay.
    EXPECT_EQ(Listing(), std::set<std::wstring>{});
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
        // Genuine, but for another archive or an older release.
        {"main.zip served as upgrade.zip", Signed("main.zip"), Ok(Signed("main.zip.minisig")), notSigned},
        {"signed before the floor", Signed("upgrade.zip"), Ok(Signed("upgrade.zip.old.minisig")), notSigned},
        {"signed without a time", Signed("upgrade.zip"), Ok(Signed("upgrade.zip.timeless.minisig")), notSigned},
        // A signature request is bounded whatever the status: refused as
        // soon as the head announces more than a signature file can be.
        {"a signature announcing 1 GiB",
         Signed("upgrade.zip"),
         {{"HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\nuntrusted comment:"}, Reply::Then::Silence},
         notSigned},
        {"an error page announcing 1 GiB",
         Signed("upgrade.zip"),
         {{"HTTP/1.1 500 Oops\r\nContent-Length: 1073741824\r\n\r\n<html>"}, Reply::Then::Silence},
         notSigned},
        // Lengths at and past the end of a signed 64-bit number.
        {"a signature announcing 2^63-1 bytes",
         Signed("upgrade.zip"),
         {{"HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775807\r\n\r\nuntrusted comment:"}, Reply::Then::Silence},
         notSigned},
        {"a signature announcing 2^64-1 bytes",
         Signed("upgrade.zip"),
         {{"HTTP/1.1 200 OK\r\nContent-Length: 18446744073709551615\r\n\r\nuntrusted comment:"}, Reply::Then::Silence},
         notSigned},
    };
    http.SetReadTimeout(std::chrono::seconds(10));  // a case that waits for the silent server fails, not hangs
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Clear();
        LoopbackServer server({Ok(Signed("main.zip")), Ok(Signed("main.zip.minisig")), Ok(c.archive), c.signature});
        EXPECT_EQ(Run(server), c.message);
        EXPECT_EQ(server.Requests().size(), 4u);
        // Refused or unverified: upgrade.zip is gone before the failure is shown.
        EXPECT_EQ(Listing(), (std::set<std::wstring>{L"VENKOR.EXE", L"only-main.txt", L"locked.txt"}));
        EXPECT_EQ(ReadWholeFile(kPad + L"VENKOR.EXE"), "main version");
    }
}

// A process ended while the archive downloads (killed, crashed, or ended by
// the fatal exit of a system DLL that cannot be loaded) leaves none of its
// bytes behind: the archive is marked for deletion until its signature binds,
// and the system deletes it as it closes the process's handles.
TEST_F(SignedInstall, AnArchiveDownloadingWhenTheProcessEndsIsGone) {
    constexpr std::size_t kSent = 1024 * 1024;  // of 4 MiB announced; then silence
    LoopbackServer server(
        {{{"HTTP/1.1 200 OK\r\nContent-Length: 4194304\r\n\r\n" + std::string(kSent, 'Z')}, Reply::Then::Silence}});
    ASSERT_TRUE(CreateDirectoryW(kPad.c_str(), nullptr));
    const std::wstring eventName = L"SignedDownloadArrived" + std::to_wstring(GetCurrentProcessId());
    const UniqueHandle arrived(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    std::wstring program = L"Z:";
    for (const char c : std::string(DOWNLOAD_CHILD))
        program += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    const std::string key = Signed("maker.pub.line");
    std::wstring command = L"\"" + program + L"\" " + server.BaseUrl() + L" " + kPad + L"main.zip " +
                           std::wstring(key.begin(), key.end()) + L" " + eventName + L" " + std::to_wstring(kSent);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &child));
    const UniqueHandle process(child.hProcess), thread(child.hThread);
    const HANDLE awaited[] = {arrived.Get(), process.Get()};
    const DWORD woken = WaitForMultipleObjects(2, awaited, FALSE, 60000);
    // The partly downloaded archive is there, then the process is ended.
    const std::set<std::wstring> before = Listing();
    TerminateProcess(process.Get(), 1);
    WaitForSingleObject(process.Get(), 10000);
    ASSERT_EQ(woken, WAIT_OBJECT_0) << "the download did not get the first bytes, or ended by itself";
    EXPECT_EQ(before, std::set<std::wstring>{L"main.zip"});
    EXPECT_EQ(Listing(), std::set<std::wstring>{});
}

// Once its signature binds, the archive is kept like any other: closed
// before the extraction, it stays.
TEST_F(SignedInstall, AVerifiedArchiveStaysWhenClosed) {
    LoopbackServer server({Ok(Signed("main.zip")), Ok(Signed("main.zip.minisig"))});
    ASSERT_TRUE(CreateDirectoryW(kPad.c_str(), nullptr));
    DownloadSignedArchive(http, server.BaseUrl(), L"venkor/Files/main.zip", kPad + L"main.zip", L"main.zip",
                          Source(server))
        .Reset();
    EXPECT_EQ(Content(L"main.zip"), Signed("main.zip"));
}

// From its creation to its deletion the archive is shared with nobody: while
// the server holds its signature back, no one can swap in other bytes (nor
// open it at all: it is marked for deletion then).
TEST_F(SignedInstall, TheArchiveCannotBeChangedBetweenItsCheckAndItsExtraction) {
    const std::string genuine = Signed("main.zip.minisig");
    LoopbackServer server(
        {Ok(Signed("main.zip")),
         {{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(genuine.size()) + "\r\n\r\n", genuine}},
         Ok(Signed("upgrade.zip")),
         Ok(Signed("upgrade.zip.minisig"))});
    bool tried = false;
    DWORD swapError = ERROR_SUCCESS;
    http.SetOnBusy([&] {
        if (tried || server.Requests().size() != 2) return;
        tried = true;
        // Another account's attempt: open the archive for writing and put
        // other bytes in.
        HANDLE file = CreateFileW((kPad + L"main.zip").c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        swapError = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
        if (file != INVALID_HANDLE_VALUE) {
            const std::string other = Signed("upgrade.zip");
            DWORD written = 0;
            WriteFile(file, other.data(), static_cast<DWORD>(other.size()), &written, nullptr);
            SetEndOfFile(file);
            CloseHandle(file);
        }
    });
    EXPECT_EQ(Run(server), std::nullopt);
    http.SetOnBusy(nullptr);
    EXPECT_TRUE(tried);
    // Windows refuses a file marked for deletion before it looks at sharing.
    EXPECT_TRUE(swapError == ERROR_SHARING_VIOLATION || swapError == ERROR_ACCESS_DENIED) << swapError;
    EXPECT_EQ(Content(L"only-main.txt").empty(), false);
}

// A program placed in the folder before the run, which the run could not
// replace, is never left to be started as the maker's; a read-only file that
// main.zip itself brought is kept as always.
TEST_F(SignedInstall, AnExistingFileTheRunCannotReplaceEndsTheRun) {
    CreateDirectoryW(kPad.c_str(), nullptr);
    WriteWholeFile(kPad + L"VENKOR.EXE", "planted");
    SetFileAttributesW((kPad + L"VENKOR.EXE").c_str(), FILE_ATTRIBUTE_READONLY);
    LoopbackServer server({Ok(Signed("main.zip")), Ok(Signed("main.zip.minisig"))});
    EXPECT_EQ(Run(server),
              L"The file \"V:\\VENKOR\\VENKOR.EXE\" in the installation folder is read-only, hidden, "
              L"system or in use and cannot be replaced.");
    EXPECT_EQ(Content(L"VENKOR.EXE"), "planted");
    EXPECT_EQ(server.Requests().size(), 2u);  // upgrade.zip is not fetched
}

// The folder a signed run makes is the user's: protected from what the
// drive's root lets every account do; so is one the user made before.
TEST_F(SignedInstall, TheFolderItMakesHasRightsOfItsOwn) {
    if (RunningUnderWine())
        GTEST_SKIP() << "Wine 8 does not keep a folder's security descriptor: it reads back the default "
                        "two entries, protected or not";
    const auto dacl = [](const std::wstring& folder) {
        PACL list = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        EXPECT_EQ(GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                        &list, nullptr, &descriptor),
                  static_cast<DWORD>(ERROR_SUCCESS));
        GetSecurityDescriptorControl(descriptor, &control, &revision);
        const std::pair<bool, int> result{(control & SE_DACL_PROTECTED) != 0, list ? list->AceCount : -1};
        LocalFree(descriptor);
        return result;
    };
    {
        LoopbackServer server({Ok(Signed("main.zip")), Ok(Signed("main.zip.minisig")), Ok(Signed("upgrade.zip")),
                               Ok(Signed("upgrade.zip.minisig"))});
        EXPECT_EQ(Run(server), std::nullopt);
        EXPECT_EQ(dacl(kPad), (std::pair<bool, int>{true, 4}));
    }
    Clear();
    CreateDirectoryW(kPad.c_str(), nullptr);
    const auto before = dacl(kPad);
    LoopbackServer server({Ok(Signed("main.zip")), Ok(Signed("main.zip.minisig")), Ok(Signed("upgrade.zip")),
                           Ok(Signed("upgrade.zip.minisig"))});
    EXPECT_EQ(Run(server), std::nullopt);
    EXPECT_FALSE(before.first);
    EXPECT_EQ(dacl(kPad), (std::pair<bool, int>{true, 4}));
}

// Archives handed out beside Setup.exe (a stick, a share): copied into the
// folder and checked as if downloaded; the server is asked only for what is
// not there, and never instead of a copy that fails its check.
class ArchivesBesideSetup : public SignedInstall {
protected:
    inline static const std::wstring kBeside = L"V:\\beside\\";

    void SetUp() override {
        SignedInstall::SetUp();
        std::error_code ec;
        fs::remove_all(kBeside, ec);
        fs::create_directories(kBeside);
    }
    void TearDown() override {
        SignedInstall::TearDown();
        std::error_code ec;
        fs::remove_all(kBeside, ec);
    }
    std::optional<std::wstring> Run(LoopbackServer& server) {
        InstallSource source = Source(server);
        source.archiveFolder = kBeside;
        return InstallRunFixture::Run(source);
    }
};

TEST_F(ArchivesBesideSetup, AreCheckedAsDownloadsAndReplaceOnlyTheirOwnRequests) {
    const std::set<std::wstring> fromMain{L"VENKOR.EXE", L"only-main.txt", L"locked.txt"};
    const std::vector<std::string> upgradeRequests{"GET /venkor/Files/upgrade.zip HTTP/1.1",
                                                   "GET /venkor/Files/upgrade.zip.minisig HTTP/1.1"};
    const struct {
        const char* what;
        std::vector<std::pair<std::wstring, std::string>> beside;
        std::vector<Reply> server;
        std::optional<std::wstring> message;
        std::vector<std::string> requests;
        std::string venkorExe;  // what VENKOR.EXE holds afterwards
    } cases[] = {
        {"both beside",
         {{L"main.zip", Signed("main.zip")},
          {L"main.zip.minisig", Signed("main.zip.minisig")},
          {L"upgrade.zip", Signed("upgrade.zip")},
          {L"upgrade.zip.minisig", Signed("upgrade.zip.minisig")}},
         {},
         std::nullopt,
         {},
         "upgrade version"},
        {"only main beside",
         {{L"main.zip", Signed("main.zip")}, {L"main.zip.minisig", Signed("main.zip.minisig")}},
         {Ok(Signed("upgrade.zip")), Ok(Signed("upgrade.zip.minisig"))},
         std::nullopt,
         upgradeRequests,
         "upgrade version"},
        {"an archive without its signature beside it is fetched",
         {{L"main.zip", Signed("upgrade.zip")}},
         {Ok(Signed("main.zip")), Ok(Signed("main.zip.minisig")), Ok(Signed("upgrade.zip")),
          Ok(Signed("upgrade.zip.minisig"))},
         std::nullopt,
         {"GET /venkor/Files/main.zip HTTP/1.1", "GET /venkor/Files/main.zip.minisig HTTP/1.1", upgradeRequests[0],
          upgradeRequests[1]},
         "upgrade version"},
        {"a tampered copy",
         {{L"main.zip", Signed("main.zip")},
          {L"main.zip.minisig", Signed("main.zip.minisig")},
          {L"upgrade.zip", Signed("upgrade.tampered.zip")},
          {L"upgrade.zip.minisig", Signed("upgrade.zip.minisig")}},
         {Ok(Signed("upgrade.zip")), Ok(Signed("upgrade.zip.minisig"))},
         NotSigned(L"upgrade.zip"),
         {},
         "main version"},
        {"a genuine copy of an older release",
         {{L"main.zip", Signed("main.zip")},
          {L"main.zip.minisig", Signed("main.zip.minisig")},
          {L"upgrade.zip", Signed("upgrade.zip")},
          {L"upgrade.zip.minisig", Signed("upgrade.zip.old.minisig")}},
         {Ok(Signed("upgrade.zip")), Ok(Signed("upgrade.zip.minisig"))},
         NotSigned(L"upgrade.zip"),
         {},
         "main version"},
        {"an oversized signature beside",
         {{L"main.zip", Signed("main.zip")},
          {L"main.zip.minisig", Signed("main.zip.minisig")},
          {L"upgrade.zip", Signed("upgrade.zip")},
          {L"upgrade.zip.minisig", Signed("upgrade.zip.oversized.minisig")}},
         {},
         NotSigned(L"upgrade.zip"),
         {},
         "main version"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Clear();
        for (const auto& [name, bytes] : c.beside)
            WriteWholeFile(kBeside + name, bytes);
        LoopbackServer server(c.server);
        EXPECT_EQ(Run(server), c.message);
        EXPECT_EQ(RequestLines(server), c.requests);
        // A refused copy leaves nothing of itself; the copies beside stay.
        EXPECT_EQ(Listing(), fromMain);
        EXPECT_EQ(Content(L"VENKOR.EXE"), c.venkorExe);
        for (const auto& [name, bytes] : c.beside)
            EXPECT_EQ(ReadWholeFile(kBeside + name), bytes);
        for (const auto& [name, bytes] : c.beside)
            fs::remove(kBeside + name);
    }
}

// The copy moves the progress bar as a download does; a copy that cannot be
// read is named in the failure.
TEST_F(ArchivesBesideSetup, ReportProgressAndNameACopyThatCannotBeRead) {
    struct Progress final : TWorkHandler {
        void IdHTTP1WorkBegin(TWorkMode, std::int64_t max) override {
            events.push_back("begin " + std::to_string(max));
        }
        void IdHTTP1Work(TWorkMode, std::int64_t count) override { last = count; }
        void IdHTTP1WorkEnd(TWorkMode) override { events.push_back("end at " + std::to_string(last)); }
        std::vector<std::string> events;
        std::int64_t last = 0;
    } progress;
    http.SetWorkHandler(&progress);
    const std::string main = Signed("main.zip"), upgrade = Signed("upgrade.zip");
    WriteWholeFile(kBeside + L"main.zip", main);
    WriteWholeFile(kBeside + L"main.zip.minisig", Signed("main.zip.minisig"));
    WriteWholeFile(kBeside + L"upgrade.zip", upgrade);
    WriteWholeFile(kBeside + L"upgrade.zip.minisig", Signed("upgrade.zip.minisig"));
    {
        LoopbackServer server({});
        EXPECT_EQ(Run(server), std::nullopt);
    }
    EXPECT_EQ(progress.events,
              (std::vector<std::string>{"begin " + std::to_string(main.size()), "end at " + std::to_string(main.size()),
                                        "begin " + std::to_string(upgrade.size()),
                                        "end at " + std::to_string(upgrade.size())}));
    http.SetWorkHandler(nullptr);

    Clear();
    // Another program holds the copy open for writing.
    const UniqueFile held(CreateFileW((kBeside + L"main.zip").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    LoopbackServer server({});
    const auto message = Run(server);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->rfind(L"Cannot read file \"V:\\beside\\main.zip\". ", 0), 0u) << *message;
    EXPECT_EQ(Listing(), std::set<std::wstring>{});
}

}  // namespace
