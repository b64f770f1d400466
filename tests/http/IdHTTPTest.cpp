#include "IdHTTP.h"

#include <gtest/gtest.h>

#include "DownloadTestSupport.h"
#include "Failure.h"
#include "LoopbackServer.h"
#include "SocketErrorText.h"

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
    LoopbackServer server({{{head + "12345", "67890"}}, {{head + "abcdefghij"}}});
    TIdHTTP http;
    RecordingHandler events;
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

TEST(IdHTTP, SocketErrorTextsComeFromTheStringTable) {
    EXPECT_EQ(SocketErrorMessage(10054), L"Socket Error # 10054\r\nConnection reset by peer.");
    EXPECT_EQ(SocketErrorMessage(10060), L"Socket Error # 10060\r\nConnection timed out.");
    EXPECT_EQ(SocketErrorMessage(11004), L"Socket Error # 11004\r\nValid name, no data record of requested type.");
    EXPECT_EQ(SocketErrorMessage(12345), L"Socket Error # 12345\r\n");
}

}  // namespace
