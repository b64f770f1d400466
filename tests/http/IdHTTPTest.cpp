#include "IdHTTP.h"

#include <shlobj.h>

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

#include "DownloadTestSupport.h"
#include "Failure.h"
#include "HttpExchange.h"
#include "LoopbackServer.h"
#include "SocketErrorText.h"
#include "TestFiles.h"
#include "gnugettext.h"

namespace {

class MemorySink final : public TResponseSink {
public:
    void Write(const std::uint8_t* data, std::size_t size) override {
        bytes.append(reinterpret_cast<const char*>(data), size);
    }
    std::string bytes;
};

// A disk that fills up after the first block.
class FullDiskSink final : public TResponseSink {
public:
    void Write(const std::uint8_t*, std::size_t) override {
        if (++writes > 1) throw Failure(L"There is not enough space on the disk");
    }
    int writes = 0;
};

std::wstring GetFailure(TIdHTTP& http, const std::wstring& url, TResponseSink& sink) {
    try {
        http.Get(url, sink);
    } catch (const Failure& failure) {
        return failure.Message();
    }
    return L"";
}

TEST(IdHTTP, KeepsTheStatusOfTheLastAnswer) {
    struct Case {
        std::string answer;
        int code;
        std::wstring text;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 200, L"HTTP/1.1 200 OK"},
        {"HTTP/1.0 404 Nicht gefunden \xe2\x9c\x97\r\nContent-Length: 0\r\n\r\n", 404,
         L"HTTP/1.0 404 Nicht gefunden ???"},
        {"ICY-ish answer\r\n\r\n", -1, L"ICY-ish answer"},
    };
    for (const Case& c : cases) {
        LoopbackServer server({{{c.answer}, Reply::Then::Close}});
        TIdHTTP http;
        MemorySink sink;
        GetFailure(http, server.BaseUrl() + L"x", sink);
        EXPECT_EQ(http.ResponseCode(), c.code) << c.answer;
        EXPECT_EQ(http.ResponseText(), c.text) << c.answer;
    }
}

TEST(IdHTTP, FailedWriteEndsTheDownloadWithItsReason) {
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n";
    LoopbackServer server({{{head + "12345", "67890"}}, {{head + "abcdefghij"}}}, Pacing::ByClient);
    TIdHTTP http;
    RecordingHandler events(server);
    http.SetWorkHandler(&events);
    FullDiskSink full;
    EXPECT_EQ(GetFailure(http, server.BaseUrl() + L"x", full), L"There is not enough space on the disk");
    EXPECT_EQ(events.events, (std::vector<std::string>{"begin 10", "work 5", "work 10", "end"}));

    // The half-read answer leaves nothing behind for the next request.
    MemorySink sink;
    EXPECT_EQ(GetFailure(http, server.BaseUrl() + L"y", sink), L"");
    EXPECT_EQ(sink.bytes, "abcdefghij");
    EXPECT_EQ(server.Connections(), 2);
}

TEST(IdHTTP, HostHeaderCarriesOnlyAPortThatIsNotTheDefault) {
    LoopbackServer server({{{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}}});
    TIdHTTP http;
    MemorySink sink;
    http.Get(L"http://localhost:" + std::to_wstring(server.Port()) + L"/a/b.zip", sink);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].substr(0, server.Requests()[0].find("Accept")),
              "GET /a/b.zip HTTP/1.1\r\nHost: localhost:" + std::to_string(server.Port()) + "\r\n");
}

TEST(IdHTTP, HostHeaderLeavesOutTheDefaultPort) {
    std::optional<LoopbackServer> server;
    try {
        server.emplace(std::vector<Reply>{{{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}, Reply::Then::Close},
                                          {{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}, Reply::Then::Close}},
                       Pacing::Pause, 80);
    } catch (const std::runtime_error&) {
        GTEST_SKIP() << "port 80 on 127.0.0.1 is taken or needs rights";
    }
    TIdHTTP http;
    MemorySink sink;
    for (const wchar_t* url : {L"http://127.0.0.1/a.zip", L"http://127.0.0.1:80/a.zip"})
        EXPECT_EQ(GetFailure(http, url, sink), L"") << url;
    const std::string expected = "GET /a.zip HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept";
    for (const std::string& request : server->Requests())
        EXPECT_EQ(request.substr(0, expected.size()), expected);
    EXPECT_EQ(server->Requests().size(), 2u);
}

// The end event pairs the begin event even when the failure's own text
// cannot be loaded (here: a catalogue that exists but is no catalogue).
TEST(IdHTTP, EndIsReportedWhenTheFailureTextCannotBeLoaded) {
    ScratchFolder folder;
    const std::wstring messages = folder.Path() + L"locale\\nl\\LC_MESSAGES\\";
    ASSERT_EQ(SHCreateDirectoryExW(nullptr, messages.c_str(), nullptr), ERROR_SUCCESS);
    WriteWholeFile(messages + L"default.mo", "no catalogue");
    CatalogueService catalogue(folder.Path() + L"Setup.exe");
    catalogue.Instance().UseLanguage(L"nl");

    LoopbackServer server({{{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel"}, Reply::Then::Close}});
    TIdHTTP http;
    RecordingHandler events;
    http.SetWorkHandler(&events);
    MemorySink sink;
    EXPECT_THROW(http.Get(server.BaseUrl() + L"x", sink), EGGIOError);
    EXPECT_EQ(events.events, (std::vector<std::string>{"begin 0", "work 6", "end"}));
}

// A reset kept connection leaves its socket error number in libcurl while
// the request goes again over a new one; a later failure of another kind
// must not show it.
TEST(IdHTTP, SocketErrorOfARetriedConnectionIsNotShownLater) {
    if (RunningUnderWine()) GTEST_SKIP() << "Wine reports a reset connection as closed, with no error number";
    LoopbackServer server({
        {{"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n1"}},
        {{}, Reply::Then::Reset},
        {{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhelloXY\r\n0\r\n\r\n"}},
    });
    TIdHTTP http;
    MemorySink sink;
    ASSERT_EQ(GetFailure(http, server.BaseUrl() + L"x", sink), L"");
    EXPECT_EQ(GetFailure(http, server.BaseUrl() + L"y", sink), L"Invalid chunked transfer coding.");
    EXPECT_EQ(server.Connections(), 2);
}

// libcurl keeps the socket error number of an earlier failure on its handle
// (here: a refused connection); a later failure of another kind must not
// show it.
TEST(HttpExchange, SocketErrorOfAnEarlierFailureIsNotShownLater) {
    LoopbackServer server({{{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhelloXY\r\n0\r\n\r\n"}}});
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), &curl_easy_cleanup);
    ASSERT_TRUE(easy);
    const std::function<void()> noBusy;
    CookieStore cookies;
    MemorySink sink;
    const auto failure = [&](int port) {
        HttpExchange exchange(sink, nullptr, noBusy, cookies, "127.0.0.1", "/x", std::chrono::seconds(10), nullptr);
        exchange.Attach(easy.get());
        const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/x";
        curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
        const CURLcode result = curl_easy_perform(easy.get());
        // No callback may reach this exchange once it is gone.
        curl_easy_setopt(easy.get(), CURLOPT_VERBOSE, 0L);
        curl_easy_setopt(easy.get(), CURLOPT_NOPROGRESS, 1L);
        long osErrno = 0;
        curl_easy_getinfo(easy.get(), CURLINFO_OS_ERRNO, &osErrno);
        try {
            exchange.Finish(result, osErrno, "");
        } catch (const Failure& failure) {
            return failure.Message();
        }
        return std::wstring();
    };
    EXPECT_EQ(failure(UnusedPort()), L"Socket Error # 10061\r\nConnection refused.");
    EXPECT_EQ(failure(server.Port()), L"Invalid chunked transfer coding.");
}

TEST(IdHTTP, SocketErrorTextsComeFromTheStringTable) {
    EXPECT_EQ(SocketErrorMessage(10054), L"Socket Error # 10054\r\nConnection reset by peer.");
    EXPECT_EQ(SocketErrorMessage(10060), L"Socket Error # 10060\r\nConnection timed out.");
    EXPECT_EQ(SocketErrorMessage(11004), L"Socket Error # 11004\r\nValid name, no data record of requested type.");
    EXPECT_EQ(SocketErrorMessage(12345), L"Socket Error # 12345\r\n");
}

}  // namespace
