#pragma once
// A loopback HTTP/1.1 file server for the wizard tests, on its own thread.
// Each path answers with a fixed status and body; a body can be held back
// part-way until the test releases it, to look at the wizard mid-download.
#include <winsock2.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

struct FileResponse {
    int status = 200;
    std::string body;
    // Bytes of the body sent before the server waits for Release();
    // npos: the whole body at once.
    std::size_t holdAfter = std::string::npos;
};

class FileServer {
public:
    explicit FileServer(std::uint16_t port);
    ~FileServer();
    FileServer(const FileServer&) = delete;
    FileServer& operator=(const FileServer&) = delete;

    void Serve(const std::string& path, FileResponse response);
    // True once a held body has been sent up to its hold point.
    bool Holding() const;
    void Release();
    int Requests(const std::string& path) const;

private:
    void Loop();
    void Answer(SOCKET client);

    SOCKET listener_ = INVALID_SOCKET;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::map<std::string, FileResponse> files_;
    std::map<std::string, int> requests_;
    bool holding_ = false;
    bool release_ = false;
    bool stopping_ = false;
};
