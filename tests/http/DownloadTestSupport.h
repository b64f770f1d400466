#pragma once
// Shared pieces of the download tests: an event recorder and the Wine check.
#include <cstdint>
#include <string>
#include <vector>

#include "IdHTTP.h"
#include "LoopbackServer.h"

// Records the progress events as "begin N", "work N" and "end". With a
// server, each progress event lets the server's next piece go: it reports
// one read from the connection.
class RecordingHandler final : public TWorkHandler {
public:
    RecordingHandler() = default;
    explicit RecordingHandler(LoopbackServer& pacedServer) : server_(&pacedServer) {}

    void IdHTTP1WorkBegin(TWorkMode mode, std::int64_t max) override { Add(mode, "begin " + std::to_string(max)); }
    void IdHTTP1Work(TWorkMode mode, std::int64_t count) override {
        Add(mode, "work " + std::to_string(count));
        if (server_ != nullptr) server_->Continue();
    }
    void IdHTTP1WorkEnd(TWorkMode mode) override { Add(mode, "end"); }

    std::vector<std::string> events;

private:
    LoopbackServer* server_ = nullptr;

    void Add(TWorkMode mode, std::string event) {
        events.push_back(mode == TWorkMode::wmRead ? std::move(event) : "write " + event);
    }
};
