#include "LoopbackServer.h"

#include <ws2tcpip.h>

#include <stdexcept>

namespace {

struct WinsockStartup {
    WinsockStartup() {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup");
    }
    ~WinsockStartup() { WSACleanup(); }
};

SOCKET ListenOnLoopback(int& port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 4) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}

}  // namespace

int UnusedPort() {
    static WinsockStartup winsock;
    int port = 0;
    closesocket(ListenOnLoopback(port));
    return port;
}

LoopbackServer::LoopbackServer(std::vector<Reply> script) : script_(std::move(script)) {
    static WinsockStartup winsock;
    listener_ = ListenOnLoopback(port_);
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    SetEvent(stop_);
    thread_.join();
    closesocket(listener_);
    CloseHandle(stop_);
}

std::wstring LoopbackServer::BaseUrl() const { return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/"; }

std::vector<std::string> LoopbackServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int LoopbackServer::Connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

// Waits until the socket can be read or the server is stopped.
bool LoopbackServer::WaitReadable(SOCKET socket) {
    while (WaitForSingleObject(stop_, 0) != WAIT_OBJECT_0) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket, &readable);
        timeval step{0, 20000};
        if (select(0, &readable, nullptr, nullptr, &step) > 0) return true;
    }
    return false;
}

void LoopbackServer::Serve() {
    while (WaitReadable(listener_)) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        {
            std::lock_guard lock(mutex_);
            ++connections_;
        }
        if (ServeConnection(client)) closesocket(client);
    }
}

// Returns false when the socket is already closed.
bool LoopbackServer::ServeConnection(SOCKET client) {
    std::string received;
    for (;;) {
        std::size_t end;
        while ((end = received.find("\r\n\r\n")) == std::string::npos) {
            if (!WaitReadable(client)) return true;
            char buffer[4096];
            const int n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) return true;
            received.append(buffer, static_cast<std::size_t>(n));
        }
        Reply reply;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(received.substr(0, end + 4));
            if (next_ < script_.size())
                reply = script_[next_++];
            else
                reply.then = Reply::Then::Close;
        }
        received.erase(0, end + 4);
        for (std::size_t i = 0; i < reply.pieces.size(); ++i) {
            if (i > 0) Sleep(static_cast<DWORD>(kPause.count()));
            const std::string& piece = reply.pieces[i];
            std::size_t sent = 0;
            while (sent < piece.size()) {
                const int n = send(client, piece.data() + sent, static_cast<int>(piece.size() - sent), 0);
                if (n <= 0) return true;
                sent += static_cast<std::size_t>(n);
            }
        }
        switch (reply.then) {
        case Reply::Then::KeepOpen: continue;
        case Reply::Then::Close: shutdown(client, SD_SEND); return true;
        case Reply::Then::Reset: {
            Sleep(static_cast<DWORD>(kPause.count()));  // let the client take what was sent
            const linger abortive{1, 0};
            setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive), sizeof abortive);
            closesocket(client);
            return false;
        }
        case Reply::Then::Silence: {
            // Until the client closes its end (or the server stops).
            char buffer[512];
            while (WaitReadable(client) && recv(client, buffer, sizeof buffer, 0) > 0) {}
            return true;
        }
        }
    }
}
