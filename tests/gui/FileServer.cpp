#include "FileServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <stdexcept>

namespace {

bool SendAll(SOCKET socket, const char* data, std::size_t size) {
    while (size > 0) {
        const int sent = send(socket, data, static_cast<int>(std::min<std::size_t>(size, 1 << 16)), 0);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

const char* Reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

}  // namespace

FileServer::FileServer(std::uint16_t port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    BOOL reuse = TRUE;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 8) != 0) {
        closesocket(listener_);
        WSACleanup();
        throw std::runtime_error("the test file server cannot listen on its port");
    }
    thread_ = std::thread([this] { Loop(); });
}

FileServer::~FileServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        release_ = true;
    }
    released_.notify_all();
    closesocket(listener_);
    thread_.join();
    WSACleanup();
}

void FileServer::Serve(const std::string& path, FileResponse response) {
    std::lock_guard lock(mutex_);
    files_[path] = std::move(response);
}

bool FileServer::Holding() const {
    std::lock_guard lock(mutex_);
    return holding_;
}

void FileServer::Release() {
    {
        std::lock_guard lock(mutex_);
        release_ = true;
    }
    released_.notify_all();
}

int FileServer::Requests(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto found = requests_.find(path);
    return found == requests_.end() ? 0 : found->second;
}

void FileServer::Loop() {
    for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;  // closed by the destructor
        Answer(client);
        shutdown(client, SD_SEND);
        closesocket(client);
    }
}

void FileServer::Answer(SOCKET client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        request.append(buffer, static_cast<std::size_t>(got));
    }
    const auto start = request.find(' ');
    const auto end = start == std::string::npos ? start : request.find(' ', start + 1);
    const std::string path = end == std::string::npos ? std::string() : request.substr(start + 1, end - start - 1);

    FileResponse response{404, "not here"};
    {
        std::lock_guard lock(mutex_);
        ++requests_[path];
        if (const auto found = files_.find(path); found != files_.end()) response = found->second;
    }
    const std::string head =
        "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) +
        "\r\nContent-Type: application/octet-stream\r\nContent-Length: " + std::to_string(response.body.size()) +
        "\r\nConnection: close\r\n\r\n";
    if (!SendAll(client, head.data(), head.size())) return;
    const std::size_t first = std::min(response.holdAfter, response.body.size());
    if (!SendAll(client, response.body.data(), first)) return;
    if (first < response.body.size()) {
        std::unique_lock lock(mutex_);
        holding_ = true;
        released_.wait(lock, [this] { return release_; });
        holding_ = false;
        if (stopping_) return;
    }
    SendAll(client, response.body.data() + first, response.body.size() - first);
}
