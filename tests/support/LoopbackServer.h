#pragma once
// A scripted HTTP server on 127.0.0.1 for the tests of the download and the
// installation run. It runs on a
// thread of its own, takes one connection at a time, reads each request head
// and answers it with the next reply of its script.
#include <winsock2.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct Reply {
    enum class Then {
        KeepOpen,  // wait for the next request on this connection
        Close,     // orderly close
        Reset,     // abortive close: the client sees a reset
        Silence,   // send nothing more and wait until the client gives up
    };
    // Sent in order, each piece in a read of its own: the server holds back
    // every piece after the first (and a reset after pieces) until the
    // client has taken the one before; see Pacing.
    std::vector<std::string> pieces;
    Then then = Then::KeepOpen;
};

// How the server knows that the client has taken a piece.
enum class Pacing {
    Pause,     // it waits kPause
    ByClient,  // it waits for Continue(), which the test calls when the client reports the piece
};

class LoopbackServer {
public:
    // Listens on port, or on a free port for 0; throws std::runtime_error
    // when it cannot.
    explicit LoopbackServer(std::vector<Reply> script, Pacing pacing = Pacing::Pause, int port = 0);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return port_; }
    std::wstring BaseUrl() const;

    // The request heads received so far, and the connections accepted.
    std::vector<std::string> Requests() const;
    int Connections() const;

    // With Pacing::ByClient: the client has taken the last piece sent, so
    // the next may go.
    void Continue();

    static constexpr std::chrono::milliseconds kPause{200};

private:
    void Serve();
    bool ServeConnection(SOCKET client);
    bool WaitReadable(SOCKET socket);
    bool WaitForClient();

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::vector<Reply> script_;
    std::size_t next_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    int connections_ = 0;
    Pacing pacing_;
    HANDLE continue_ = nullptr;
    HANDLE stop_ = nullptr;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
int UnusedPort();
