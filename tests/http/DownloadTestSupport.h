#pragma once
// Shared pieces of the download tests: an event recorder and the Wine check.
#include <cstdint>
#include <string>
#include <vector>

#include "IdHTTP.h"

// Records the progress events as "begin N", "work N" and "end".
class RecordingHandler final : public TWorkHandler {
public:
    void IdHTTP1WorkBegin(TWorkMode mode, std::int64_t max) override { Add(mode, "begin " + std::to_string(max)); }
    void IdHTTP1Work(TWorkMode mode, std::int64_t count) override { Add(mode, "work " + std::to_string(count)); }
    void IdHTTP1WorkEnd(TWorkMode mode) override { Add(mode, "end"); }

    std::vector<std::string> events;

private:
    void Add(TWorkMode mode, std::string event) {
        events.push_back(mode == TWorkMode::wmRead ? std::move(event) : "write " + event);
    }
};

// Wine differs from Windows in a few socket details; tests of those skip.
bool RunningUnderWine();
