#include "LoopbackServer.h"

#include <ws2tcpip.h>

#include <stdexcept>
#include <string>

namespace {

struct WinsockStartup {
    WinsockStartup() {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup");
    }
    ~WinsockStartup() { WSACleanup(); }
};

// On port, or on a free port when it is 0; port then tells which.
SOCKET ListenOnLoopback(int& port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(s, 4) != 0) {
        if (s != INVALID_SOCKET) closesocket(s);
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
    }
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

LoopbackServer::LoopbackServer(std::vector<Reply> script, Pacing pacing, int port)
    : port_(port), script_(std::move(script)), pacing_(pacing) {
    static WinsockStartup winsock;
    listener_ = ListenOnLoopback(port_);
    continue_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    SetEvent(stop_);
    thread_.join();
    closesocket(listener_);
    CloseHandle(stop_);
    CloseHandle(continue_);
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

void LoopbackServer::Continue() { SetEvent(continue_); }

// Until the client has taken the last piece; false when the server is stopped.
bool LoopbackServer::WaitForClient() {
    if (pacing_ == Pacing::Pause) {
        Sleep(static_cast<DWORD>(kPause.count()));
        return true;
    }
    const HANDLE events[] = {continue_, stop_};
    return WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0;
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
        // A signal from the answer before is no sign for this one.
        ResetEvent(continue_);
        for (std::size_t i = 0; i < reply.pieces.size(); ++i) {
            if (i > 0 && !WaitForClient()) return true;
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
            // A reset drops what the client has not read yet.
            if (!reply.pieces.empty() && !WaitForClient()) return true;
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
