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
    // Sent in order, with a pause between pieces, so that each arrives in a
    // read of its own.
    std::vector<std::string> pieces;
    Then then = Then::KeepOpen;
};

class LoopbackServer {
public:
    explicit LoopbackServer(std::vector<Reply> script);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return port_; }
    std::wstring BaseUrl() const;

    // The request heads received so far, and the connections accepted.
    std::vector<std::string> Requests() const;
    int Connections() const;

    static constexpr std::chrono::milliseconds kPause{200};

private:
    void Serve();
    bool ServeConnection(SOCKET client);
    bool WaitReadable(SOCKET socket);

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::vector<Reply> script_;
    std::size_t next_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    int connections_ = 0;
    HANDLE stop_ = nullptr;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
int UnusedPort();
