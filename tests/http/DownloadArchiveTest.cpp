#include "DownloadArchive.h"

#include <gtest/gtest.h>

#include <optional>

#include "DownloadTestSupport.h"
#include "Failure.h"
#include "LoopbackServer.h"
#include "SystemErrorText.h"
#include "TestFiles.h"
#include "UniqueHandle.h"

namespace {

using Then = Reply::Then;

const char* const kPath = "venkor/Files/main.zip";

std::string Head(const std::string& statusLine, const std::string& headers = "") {
    return statusLine + "\r\n" + headers + "\r\n";
}

std::string Bytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('a' + i * 7 % 26);
    return bytes;
}

// The failure text, or nullopt on success.
std::optional<std::wstring> Download(TIdHTTP& http, const std::wstring& base, const std::wstring& file,
                                     const std::wstring& path = L"venkor/Files/main.zip") {
    try {
        DownloadArchive(http, base, path, file);
        return std::nullopt;
    } catch (const Failure& failure) {
        return failure.Message();
    }
}

struct Case {
    const char* name;
    std::vector<Reply> script;
    std::optional<std::wstring> message;  // nullopt: success
    std::string file;                     // the local file afterwards
    std::vector<std::string> events;
    // Wine's recv reports a connection reset by the peer as an orderly end
    // (0 bytes) where Windows fails it with WSAECONNRESET.
    bool resetMustBeSeen = false;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class DownloadCases : public testing::TestWithParam<Case> {};

TEST_P(DownloadCases, LeavesFileMessageAndEvents) {
    const Case& c = GetParam();
    if (c.resetMustBeSeen && RunningUnderWine()) GTEST_SKIP() << "Wine reports a reset connection as closed";
    LoopbackServer server(c.script, Pacing::ByClient);
    ScratchFolder folder;
    const std::wstring local = folder.Path() + L"main.zip";
    WriteWholeFile(local, "left over from an earlier attempt");
    TIdHTTP http;
    RecordingHandler events(server);
    http.SetWorkHandler(&events);
    http.SetReadTimeout(std::chrono::milliseconds(1500));

    EXPECT_EQ(Download(http, server.BaseUrl(), local), c.message);
    EXPECT_EQ(ReadWholeFile(local), c.file);
    EXPECT_EQ(events.events, c.events);
    EXPECT_EQ(server.Requests().size(), 1u) << "nothing is followed or retried";
}

const std::string kChunked = "5\r\nhello\r\n6;ext=1\r\n world\r\n0\r\nX-Trailer: t\r\n\r\n";
const std::wstring kBrokenChunk = L"Invalid chunked transfer coding.";
const std::wstring kHeadTooLarge = L"Response header too large.";

std::string Chunked(const std::string& body) {
    return Head("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") + body;
}

// Header lines of about 1000 bytes each, together more than 300 KiB.
std::string ManyHeaderLines() {
    std::string lines;
    for (int i = 0; i < 320; ++i)
        lines += "X-Filler-" + std::to_string(i) + ": " + std::string(1000, 'f') + "\r\n";
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Exchange, DownloadCases,
    testing::Values(
        Case{"ContentLength",
             {{{Head("HTTP/1.1 200 OK", "Content-Length: 5\r\n") + "hello"}}},
             std::nullopt,
             "hello",
             {"begin 5", "work 5", "end"}},
        Case{"BytesWithTheHeadThenBlocks",
             {{{Head("HTTP/1.1 200 OK", "Content-Length: 11\r\n") + "hel", "lo wo", "rld"}}},
             std::nullopt,
             "hello world",
             {"begin 11", "work 3", "work 8", "work 11", "end"}},
        Case{"ChunkedCountsTheFraming",
             {{{Head("HTTP/1.1 200 OK", "Transfer-Encoding: Chunked\r\n") + kChunked}}},
             std::nullopt,
             "hello world",
             {"begin 0", "work " + std::to_string(kChunked.size()), "end"}},
        Case{"UntilTheConnectionEnds",
             {{{Head("HTTP/1.1 200 OK") + "until", " the end"}, Then::Close}},
             std::nullopt,
             "until the end",
             {"begin 0", "work 5", "work 13", "end"}},
        Case{"UntilAResetEndsNormally",
             {{{Head("HTTP/1.1 200 OK") + "partial"}, Then::Reset}},
             std::nullopt,
             "partial",
             {"begin 0", "work 7", "end"}},
        Case{"EmptyBody", {{{Head("HTTP/1.1 200 OK", "Content-Length: 0\r\n")}}}, std::nullopt, "", {}},
        Case{"ContinueThenOk",
             {{{Head("HTTP/1.1 100 Continue") + Head("HTTP/1.1 200 OK", "Content-Length: 2\r\n") + "ok"}}},
             std::nullopt,
             "ok",
             {"begin 2", "work 2", "end"}},
        Case{"ShortContentLengthIsNoFailure",
             {{{Head("HTTP/1.1 200 OK", "Content-Length: 1000\r\n") + std::string(600, 'x')}, Then::Close}},
             std::nullopt,
             std::string(600, 'x'),
             {"begin 1000", "work 600", "end"}},
        Case{"ShortContentLengthByReset",
             {{{Head("HTTP/1.1 200 OK", "Content-Length: 1000\r\n") + std::string(600, 'y')}, Then::Reset}},
             std::nullopt,
             std::string(600, 'y'),
             {"begin 1000", "work 600", "end"}},
        Case{"HeadCutAfterAHeaderLine",
             {{{"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nX-Cut-Of"}, Then::Close}},
             std::nullopt,
             "",
             {"begin 5", "end"}},
        Case{"NotFoundBodyIsReadAndDropped",
             {{{Head("HTTP/1.1 404 Not Found", "Content-Length: 8\r\n") + "not here"}}},
             L"HTTP/1.1 404 Not Found",
             "",
             {"begin 8", "work 8", "end"}},
        Case{"RedirectIsNotFollowed",
             {{{Head("HTTP/1.1 301 Moved Permanently", "Location: /elsewhere.zip\r\nContent-Length: 0\r\n")}}},
             L"HTTP/1.1 301 Moved Permanently",
             "",
             {}},
        Case{"ServerErrorChunked",
             {{{Head("HTTP/1.1 500 Internal Server Error", "Transfer-Encoding: chunked\r\n") + kChunked}}},
             L"HTTP/1.1 500 Internal Server Error",
             "",
             {"begin 0", "work " + std::to_string(kChunked.size()), "end"}},
        Case{"PartialContentIsWrittenThenFails",
             {{{Head("HTTP/1.1 206 Partial Content", "Content-Length: 4\r\n") + "part"}}},
             L"HTTP Error:206: HTTP/1.1 206 Partial Content",
             "part",
             {"begin 4", "work 4", "end"}},
        Case{"NoContent", {{{Head("HTTP/1.1 204 No Content")}}}, L"HTTP Error:204: HTTP/1.1 204 No Content", "", {}},
        // A server cannot write lines of its own into the error box.
        Case{"ControlCharactersOfAStatusLineAreNotShown",
             {{{Head("HTTP/1.1 404 Not\rFound\x1b[2J\x7f", "Content-Length: 0\r\n")}}},
             L"HTTP/1.1 404 Not?Found?[2J?",
             "",
             {}},
        Case{"ControlCharactersOfASuccessOtherThan200AreNotShown",
             {{{Head("HTTP/1.1 203 Non\tAuthoritative\x01", "Content-Length: 0\r\n")}}},
             L"HTTP Error:203: HTTP/1.1 203 Non?Authoritative?",
             "",
             {}},
        Case{"OtherInterimAnswerFails",
             {{{Head("HTTP/1.1 102 Processing") + Head("HTTP/1.1 200 OK", "Content-Length: 2\r\n") + "ok"}}},
             L"HTTP/1.1 102 Processing",
             "",
             {}},
        Case{"NoStatusLineAtAll", {{{"garbage here\r\nmore\r\n"}, Then::Close}}, L"garbage here", "", {}},
        Case{"StatusWordNotANumber",
             {{{Head("HTTP/1.1 abc Broken", "Content-Length: 0\r\n")}}},
             L"Invalid HTTP status line.",
             "",
             {}},
        Case{"ClosedWithoutAnswer", {{{}, Then::Close}}, L"Connection Closed Gracefully.", "", {}},
        Case{"ClosedAfterStatusLine",
             {{{"HTTP/1.1 200 OK\r\n"}, Then::Close}},
             L"Connection Closed Gracefully.",
             "",
             {}},
        Case{"ChunkedCutBeforeLastChunk",
             {{{Head("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") + "5\r\nhello\r\n6\r\n wo"}, Then::Close}},
             L"Connection Closed Gracefully.",
             "hello wo",
             {"begin 0", "work 16", "end"}},
        Case{"BytesBeyondTheContentLengthAreNotCounted",
             {{{Head("HTTP/1.1 200 OK", "Content-Length: 5\r\n") + "helloEXTRA"}}},
             std::nullopt,
             "hello",
             {"begin 5", "work 5", "end"}},
        Case{"HeadTooLarge",
             {{{Head("HTTP/1.1 200 OK", ManyHeaderLines() + "Content-Length: 5\r\n") + "hello"}}},
             kHeadTooLarge,
             "",
             {}},
        Case{"HeaderLineTooLarge",
             {{{Head("HTTP/1.1 200 OK", "X-Long: " + std::string(150000, 'l') + "\r\nContent-Length: 5\r\n") +
                "hello"}}},
             kHeadTooLarge,
             "",
             {}},
        Case{"ChunkSizeThatIsNoNumber",
             {{{Chunked("5\r\nhello\r\nxyz\r\n\r\n")}}},
             kBrokenChunk,
             "hello",
             {"begin 0", "work 17", "end"}},
        Case{"ChunkDataWithoutItsLineEnd",
             {{{Chunked("5\r\nhelloXY\r\n0\r\n\r\n")}}},
             kBrokenChunk,
             "hello",
             {"begin 0", "work 17", "end"}},
        Case{"ChunkSizeOf17Digits",
             {{{Chunked("00000000000000005\r\nhello\r\n0\r\n\r\n")}}},
             kBrokenChunk,
             "",
             {"begin 0", "work 31", "end"}},
        Case{"ChunkSizeWithLeadingBlanks",
             {{{Chunked("  5\r\nhello\r\n0\r\n\r\n")}}},
             kBrokenChunk,
             "",
             {"begin 0", "work 17", "end"}},
        Case{"ChunkedReset",
             {{{Head("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") + "5\r\nhello\r\n"}, Then::Reset}},
             L"Socket Error # 10054\r\nConnection reset by peer.",
             "hello",
             {"begin 0", "work 10", "end"},
             true},
        Case{"ResetBeforeAnswer",
             {{{}, Then::Reset}},
             L"Socket Error # 10054\r\nConnection reset by peer.",
             "",
             {},
             true},
        Case{"SilentServer", {{{}, Then::Silence}}, L"Read timed out.", "", {}},
        Case{"SilenceInsideTheBody",
             {{{Head("HTTP/1.1 200 OK", "Content-Length: 10\r\n") + "12345"}, Then::Silence}},
             L"Read timed out.",
             "12345",
             {"begin 10", "work 5", "end"}}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// The window paints from these calls while the server keeps it waiting.
TEST(DownloadArchive, ReportsBusyWhileTheServerIsSilent) {
    int calls = 0;
    LoopbackServer server({{{}, Then::Silence}});
    ScratchFolder folder;
    TIdHTTP http;
    http.SetOnBusy([&] { ++calls; });
    http.SetReadTimeout(std::chrono::milliseconds(1500));
    EXPECT_EQ(Download(http, server.BaseUrl(), folder.Path() + L"main.zip"), L"Read timed out.");
    EXPECT_GE(calls, 2);
}

// The host name is looked up on a helper thread while the window paints.
TEST(DownloadArchive, ReportsBusyWhileTheHostNameIsResolved) {
    int calls = 0;
    ScratchFolder folder;
    TIdHTTP http;
    http.SetOnBusy([&] { ++calls; });
    EXPECT_EQ(Download(http, L"http://no-such-host.invalid/", folder.Path() + L"main.zip"),
              L"Socket Error # 11001\r\nHost not found.");
    EXPECT_GE(calls, 1);
}

// No proxy is ever used: a proxy named in the environment (by whoever set up
// the user's account) does not see the request.
TEST(DownloadArchive, GoesDirectWhateverProxyTheEnvironmentNames) {
    LoopbackServer server({{{Head("HTTP/1.1 200 OK", "Content-Length: 2\r\n") + "ok"}}});
    const std::string dead = "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/";
    for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"})
        SetEnvironmentVariableA(name, dead.c_str());
    ScratchFolder folder;
    TIdHTTP http;
    const auto result = Download(http, server.BaseUrl(), folder.Path() + L"main.zip");
    for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"})
        SetEnvironmentVariableA(name, nullptr);
    EXPECT_EQ(result, std::nullopt);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(DownloadArchive, SendsExactlyTheRequestHead) {
    LoopbackServer server({{{Head("HTTP/1.1 200 OK", "Content-Length: 0\r\n")}}});
    ScratchFolder folder;
    TIdHTTP http;
    http.Request.UserAgent = L"never sent";
    ASSERT_EQ(Download(http, server.BaseUrl(), folder.Path() + L"main.zip"), std::nullopt);
    const std::string expected =
        "GET /venkor/Files/main.zip HTTP/1.1\r\n"
        "Host: 127.0.0.1:" +
        std::to_string(server.Port()) +
        "\r\n"
        "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
        "User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1)\r\n"
        "\r\n";
    EXPECT_EQ(server.Requests(), std::vector<std::string>{expected});
}

// Both downloads of a run share the client: its connection and its cookies.
TEST(DownloadArchive, SecondDownloadReusesConnectionAndSendsCookies) {
    LoopbackServer server({
        {{Head("HTTP/1.1 100 Continue", "Set-Cookie: early=1\r\n") +
          Head("HTTP/1.1 200 OK",
               "Set-Cookie: session=abc; Path=/\r\n"
               "Set-Cookie: files=2; Path=/venkor/Files\r\n"
               "Set-Cookie: other=3; Path=/elsewhere\r\n"
               "Set-Cookie: gone=4; Max-Age=0\r\n"
               "Content-Length: 4\r\n") +
          "main"}},
        {{Head("HTTP/1.1 200 OK", "Content-Length: 7\r\n") + "upgrade"}},
    });
    ScratchFolder folder;
    TIdHTTP http;
    ASSERT_EQ(Download(http, server.BaseUrl(), folder.Path() + L"main.zip"), std::nullopt);
    ASSERT_EQ(Download(http, server.BaseUrl(), folder.Path() + L"upgrade.zip", L"venkor/Files/upgrade.zip"),
              std::nullopt);
    EXPECT_EQ(ReadWholeFile(folder.Path() + L"upgrade.zip"), "upgrade");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].find("Cookie"), std::string::npos);
    EXPECT_NE(requests[1].find("User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1)\r\n"
                               "Cookie: early=1; files=2; session=abc\r\n\r\n"),
              std::string::npos)
        << requests[1];
    EXPECT_EQ(server.Connections(), 1);
}

TEST(DownloadArchive, CloseRequestedByTheAnswerMeansANewConnection) {
    for (const char* header : {"Connection: close\r\n", "Proxy-Connection:  Close \r\n"}) {
        LoopbackServer server({
            {{Head("HTTP/1.1 200 OK", std::string(header) + "Content-Length: 1\r\n") + "1"}},
            {{Head("HTTP/1.1 200 OK", "Content-Length: 1\r\n") + "2"}},
        });
        ScratchFolder folder;
        TIdHTTP http;
        ASSERT_EQ(Download(http, server.BaseUrl(), folder.Path() + L"main.zip"), std::nullopt);
        ASSERT_EQ(Download(http, server.BaseUrl(), folder.Path() + L"upgrade.zip"), std::nullopt);
        EXPECT_EQ(server.Connections(), 2) << header;
    }
}

TEST(DownloadArchive, ConnectionClosedByServerBetweenDownloadsIsReplaced) {
    LoopbackServer server({
        {{Head("HTTP/1.1 200 OK", "Content-Length: 1\r\n") + "1"}, Then::Close},
        {{Head("HTTP/1.1 200 OK", "Content-Length: 1\r\n") + "2"}},
    });
    ScratchFolder folder;
    TIdHTTP http;
    ASSERT_EQ(Download(http, server.BaseUrl(), folder.Path() + L"main.zip"), std::nullopt);
    Sleep(100);
    ASSERT_EQ(Download(http, server.BaseUrl(), folder.Path() + L"upgrade.zip"), std::nullopt);
    EXPECT_EQ(ReadWholeFile(folder.Path() + L"upgrade.zip"), "2");
    EXPECT_EQ(server.Connections(), 2);
}

TEST(DownloadArchive, BytesBeyondTheAnswerAreNotTakenForTheNextOne) {
    // The stray bytes arrive after the answer is complete, while the
    // connection waits for the next request.
    LoopbackServer server({
        {{Head("HTTP/1.1 200 OK", "Content-Length: 5\r\n") + "hello", "HTTP/1.1 404 Stale\r\n\r\n"}},
        {{Head("HTTP/1.1 200 OK", "Content-Length: 7\r\n") + "upgrade"}},
    });
    ScratchFolder folder;
    TIdHTTP http;
    ASSERT_EQ(Download(http, server.BaseUrl(), folder.Path() + L"main.zip"), std::nullopt);
    EXPECT_EQ(ReadWholeFile(folder.Path() + L"main.zip"), "hello");
    Sleep(static_cast<DWORD>(3 * LoopbackServer::kPause.count()));
    ASSERT_EQ(Download(http, server.BaseUrl(), folder.Path() + L"upgrade.zip"), std::nullopt);
    EXPECT_EQ(ReadWholeFile(folder.Path() + L"upgrade.zip"), "upgrade");
    EXPECT_EQ(server.Connections(), 2);
}

TEST(DownloadArchive, LargeBodyMovesInBlocksOfAtMost32768) {
    const std::string body = Bytes(100000);
    LoopbackServer server({{{Head("HTTP/1.1 200 OK", "Content-Length: 100000\r\n") + body}}});
    ScratchFolder folder;
    TIdHTTP http;
    RecordingHandler events;
    http.SetWorkHandler(&events);
    ASSERT_EQ(Download(http, server.BaseUrl(), folder.Path() + L"main.zip"), std::nullopt);
    EXPECT_EQ(ReadWholeFile(folder.Path() + L"main.zip"), body);
    ASSERT_GE(events.events.size(), 6u);
    EXPECT_EQ(events.events.front(), "begin 100000");
    EXPECT_EQ(events.events.back(), "end");
    std::int64_t previous = 0;
    for (std::size_t i = 1; i + 1 < events.events.size(); ++i) {
        const std::int64_t count = std::stoll(events.events[i].substr(5));
        EXPECT_GT(count, previous);
        EXPECT_LE(count - previous, 32768);
        previous = count;
    }
    EXPECT_EQ(previous, 100000);
}

TEST(DownloadArchive, SocketFailures) {
    ScratchFolder folder;
    const std::wstring local = folder.Path() + L"main.zip";
    TIdHTTP http;
    RecordingHandler events;
    http.SetWorkHandler(&events);
    EXPECT_EQ(Download(http, L"http://127.0.0.1:" + std::to_wstring(UnusedPort()) + L"/", local),
              L"Socket Error # 10061\r\nConnection refused.");
    EXPECT_EQ(ReadWholeFile(local), "");
    EXPECT_EQ(Download(http, L"http://no-such-host.invalid/", local), L"Socket Error # 11001\r\nHost not found.");
    EXPECT_EQ(ReadWholeFile(local), "");
    EXPECT_TRUE(events.events.empty());
}

TEST(DownloadArchive, LocalFileThatCannotBeCreated) {
    LoopbackServer server({{{Head("HTTP/1.1 200 OK", "Content-Length: 1\r\n") + "1"}}});
    ScratchFolder folder;
    TIdHTTP http;

    const std::wstring missing = folder.Path() + L"no such folder\\main.zip";
    EXPECT_EQ(Download(http, server.BaseUrl(), missing),
              L"Cannot create file \"" + missing + L"\". " + SystemErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(FileExists(missing));

    const std::wstring busy = folder.Path() + L"main.zip";
    WriteWholeFile(busy, "keep me");
    {
        UniqueFile holder(CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_EQ(Download(http, server.BaseUrl(), busy),
                  L"Cannot create file \"" + busy + L"\". " + SystemErrorText(ERROR_SHARING_VIOLATION));
    }
    EXPECT_EQ(ReadWholeFile(busy), "keep me");
    EXPECT_TRUE(server.Requests().empty());
}

TEST(DownloadArchive, LocalFileIsClosedAfterEveryOutcome) {
    LoopbackServer server({
        {{Head("HTTP/1.1 200 OK", "Content-Length: 2\r\n") + "ok"}},
        {{Head("HTTP/1.1 404 Not Found", "Content-Length: 0\r\n")}},
    });
    ScratchFolder folder;
    const std::wstring local = folder.Path() + L"main.zip";
    TIdHTTP http;
    for (int i = 0; i < 2; ++i) {
        Download(http, server.BaseUrl(), local);
        // Opening without sharing works only when nobody holds the file.
        UniqueFile again(
            CreateFileW(local.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(again) << i;
    }
}

}  // namespace
