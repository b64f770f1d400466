// A signed archive whose transfer breaks off: the download tries again,
// asking for the rest with Range and If-Range, takes a 206 only when it
// continues the file, and starts the file and its hash over for anything
// else; the signature checked afterwards shows the file whole. Wine reports
// a reset connection as closed, so a reset there reads "Connection Closed
// Gracefully." where Windows names the socket error.
#include <gtest/gtest.h>

#include <chrono>

#include "DownloadTestSupport.h"
#include "InstallRunFixture.h"
#include "LoopbackServer.h"
#include "SignedArchive.h"

namespace {

using Then = Reply::Then;

const std::wstring kClosed = L"Connection Closed Gracefully.";

class Resume : public InstallRunFixture {
protected:
    void SetUp() override {
        InstallRunFixture::SetUp();
        CreateDirectoryW(kPad.c_str(), nullptr);
    }

    std::string archive = MadeFile(SIGNED_FILES, "main.zip");  // 348 bytes
    std::string signature = MadeFile(SIGNED_FILES, "main.zip.minisig");

    std::string Length() const { return std::to_string(archive.size()); }

    // The archive's first `at` bytes of a 200 that announces all of them.
    Reply Cut(std::size_t at, const std::string& headers, Then then = Then::Reset) const {
        return {{"HTTP/1.1 200 OK\r\nContent-Length: " + Length() + "\r\n" + headers + "\r\n" + archive.substr(0, at)},
                then};
    }
    Reply Whole(const std::string& headers) const { return Cut(archive.size(), headers, Then::KeepOpen); }
    // A 206 of the archive from byte `from` on, with the Content-Range that
    // fits unless one is given; cut after byte `until` when given.
    Reply Partial(std::size_t from, const std::string& headers, std::string range = "",
                  std::size_t until = std::string::npos, Then then = Then::KeepOpen) const {
        if (range.empty())
            range = "bytes " + std::to_string(from) + "-" + std::to_string(archive.size() - 1) + "/" + Length();
        return {{"HTTP/1.1 206 Partial Content\r\nContent-Range: " + range +
                 "\r\nContent-Length: " + std::to_string(archive.size() - from) + "\r\n" + headers + "\r\n" +
                 archive.substr(from, until == std::string::npos ? std::string::npos : until - from)},
                then};
    }
    Reply Signature() const {
        return {{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(signature.size()) + "\r\n\r\n" + signature}};
    }

    // The failure text, or nullopt when the archive came whole and verified.
    std::optional<std::wstring> Download(const LoopbackServer& server, std::chrono::milliseconds pause) {
        InstallSource source(server.BaseUrl());
        source.signingKey = MadeFile(SIGNED_FILES, "maker.pub.line");
        source.retryPause = pause;
        try {
            DownloadSignedArchive(http, source.fileServer, L"venkor/Files/main.zip", kPad + L"main.zip", L"main.zip",
                                  source)
                .Reset();
        } catch (const Failure& failure) {
            return failure.Message();
        }
        return std::nullopt;
    }

    // What each request adds after User-Agent (where a resumed one puts
    // Range and If-Range).
    static std::vector<std::string> Added(const LoopbackServer& server) {
        std::vector<std::string> added;
        for (const std::string& head : server.Requests()) {
            const std::size_t agent = head.find("\r\nUser-Agent:");
            const std::size_t next = head.find("\r\n", agent + 2);
            added.push_back(head.substr(next + 2, head.size() - next - 4));
        }
        return added;
    }
};

std::string Asks(const std::string& from, const std::string& validator) {
    return "Range: bytes=" + from + "-\r\nIf-Range: " + validator + "\r\n";
}

TEST_F(Resume, BrokenTransfersAndWhatTheServerAnswersThen) {
    const std::string v1 = "ETag: \"v1\"\r\n";
    const std::string v2 = "ETag: \"v2\"\r\n";
    const std::string asksV1 = Asks("104", "\"v1\"");
    const std::string modified = "Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n";
    const struct {
        const char* name;
        std::vector<Reply> script;
        std::optional<std::wstring> message;  // nullopt: the archive whole and verified
        std::vector<std::string> added;       // after User-Agent, per request
        std::vector<std::string> events;      // of the archive
    } cases[] = {
        {"reset at 30 %, then the rest",
         {Cut(104, v1), Partial(104, v1), Signature()},
         std::nullopt,
         {"", asksV1, ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        {"closed at 30 %, then the rest",
         {Cut(104, v1, Then::Close), Partial(104, v1), Signature()},
         std::nullopt,
         {"", asksV1, ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        {"silent at 30 % (read time-out), then the rest",
         {Cut(104, v1, Then::Silence), Partial(104, v1), Signature()},
         std::nullopt,
         {"", asksV1, ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        {"a 503, then the rest",
         {Cut(104, v1), {{"HTTP/1.1 503 Busy\r\nContent-Length: 4\r\n\r\nbusy"}}, Partial(104, v1), Signature()},
         std::nullopt,
         {"", asksV1, asksV1, ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        // The file starts over: from the first byte, with a new hash.
        {"the server ignores Range",
         {Cut(104, v1), Whole(v1), Signature()},
         std::nullopt,
         {"", asksV1, ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        {"the file changed: a 200 with another ETag",
         {Cut(104, v1), Whole(v2), Signature()},
         std::nullopt,
         {"", asksV1, ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        // Refused 206s: the next try asks for the whole file.
        {"a 206 with another ETag",
         {Cut(104, v1), Partial(104, v2), Whole(v2), Signature()},
         std::nullopt,
         {"", asksV1, "", ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        {"a 206 from another byte",
         {Cut(104, v1), Partial(100, v1), Whole(v1), Signature()},
         std::nullopt,
         {"", asksV1, "", ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        {"a 206 of another length",
         {Cut(104, v1), Partial(104, v1, "bytes 104-347/999"), Whole(v1), Signature()},
         std::nullopt,
         {"", asksV1, "", ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        {"a 206 that ends before the last byte",
         {Cut(104, v1), Partial(104, v1, "bytes 104-300/348"), Whole(v1), Signature()},
         std::nullopt,
         {"", asksV1, "", ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        // What If-Range may carry.
        {"a weak ETag names no file: start over",
         {Cut(104, "ETag: W/\"v1\"\r\n" + modified + "Date: Mon, 07 Nov 1994 08:49:37 GMT\r\n"), Whole(""),
          Signature()},
         std::nullopt,
         {"", "", ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        {"Last-Modified a day before Date",
         {Cut(104, modified + "Date: Mon, 07 Nov 1994 08:49:37 GMT\r\n"), Partial(104, modified), Signature()},
         std::nullopt,
         {"", Asks("104", "Sun, 06 Nov 1994 08:49:37 GMT"), ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        {"Last-Modified in the second of Date: start over",
         {Cut(104, modified + "Date: Sun, 06 Nov 1994 08:49:37 GMT\r\n"), Whole(""), Signature()},
         std::nullopt,
         {"", "", ""},
         {"begin 348", "work 104", "begin 348", "work 348", "end"}},
        // Failures that end the download at once.
        {"a 416",
         {Cut(104, v1), {{"HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\n\r\n"}}},
         L"HTTP/1.1 416 Range Not Satisfiable",
         {"", asksV1},
         {"begin 348", "work 104", "end"}},
        {"a 404",
         {Cut(104, v1), {{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}}},
         L"HTTP/1.1 404 Not Found",
         {"", asksV1},
         {"begin 348", "work 104", "end"}},
        // Four tries at most, the last one's text shown.
        {"four breaks in a row",
         {Cut(104, v1), Partial(104, v1, "", 208, Then::Reset), Partial(208, v1, "", 258, Then::Reset),
          Partial(258, v1, "", 298, Then::Close)},
         kClosed,
         {"", asksV1, Asks("208", "\"v1\""), Asks("258", "\"v1\"")},
         {"begin 348", "work 104", "begin 348", "work 208", "begin 348", "work 258", "begin 348", "work 298", "end"}},
        {"three breaks, then a 500",
         {Cut(104, v1), Cut(104, v1), Cut(104, v1), {{"HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n"}}},
         L"HTTP/1.1 500 Oops",
         {"", asksV1, asksV1, asksV1},
         {"begin 348", "work 104", "begin 348", "work 104", "begin 348", "work 104", "end"}},
    };
    http.SetReadTimeout(std::chrono::milliseconds(500));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server(c.script, Pacing::ByClient);
        RecordingHandler events(server);
        http.SetWorkHandler(&events);
        EXPECT_EQ(Download(server, std::chrono::milliseconds(1)), c.message);
        http.SetWorkHandler(nullptr);
        EXPECT_EQ(Added(server), c.added);
        // After a whole archive, its signature's own begin and end.
        std::vector<std::string> expected = c.events;
        if (!c.message) expected.insert(expected.end(), {"begin 303", "work 303", "end"});
        EXPECT_EQ(events.events, expected);
        if (c.message)
            EXPECT_EQ(Listing(), std::set<std::wstring>{}) << "a partial file stays";
        else
            EXPECT_EQ(Content(L"main.zip"), archive);
        Clear();
        CreateDirectoryW(kPad.c_str(), nullptr);
    }
}

// The pauses before the second, third and fourth try: 1, 2 and 4 times the
// first, with the window painting meanwhile.
TEST_F(Resume, PausesBetweenTriesKeepTheWindowPainting) {
    LoopbackServer server({Cut(104, ""), Cut(104, ""), Cut(104, ""), Cut(104, "")}, Pacing::ByClient);
    RecordingHandler events(server);
    http.SetWorkHandler(&events);
    int busy = 0;
    http.SetOnBusy([&] { ++busy; });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(Download(server, std::chrono::milliseconds(100)));
    const auto took = std::chrono::steady_clock::now() - started;
    http.SetOnBusy(nullptr);
    http.SetWorkHandler(nullptr);
    EXPECT_EQ(server.Requests().size(), 4u);
    EXPECT_GE(took, std::chrono::milliseconds(700));
    EXPECT_GE(busy, 14);  // at least every 50 ms of the pauses
}

// A server that cannot be reached at all is not waited for.
TEST_F(Resume, AnUnreachableServerEndsTheDownloadAtOnce) {
    InstallSource source(L"http://127.0.0.1:" + std::to_wstring(UnusedPort()) + L"/");
    source.signingKey = MadeFile(SIGNED_FILES, "maker.pub.line");
    source.retryPause = std::chrono::seconds(10);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(DownloadSignedArchive(http, source.fileServer, L"venkor/Files/main.zip", kPad + L"main.zip",
                                       L"main.zip", source),
                 Failure);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(Listing(), std::set<std::wstring>{});
}

}  // namespace
