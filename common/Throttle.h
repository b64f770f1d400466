#pragma once
// Passes calls on to a handler at most once per interval: for work that may
// report very often (every received or written block) to something that
// only needs a sign of life now and then, such as a window that paints.
#include <chrono>
#include <functional>
#include <utility>

class Throttle {
public:
    explicit Throttle(std::function<void()> handler = {},
                      std::chrono::milliseconds interval = std::chrono::milliseconds(50))
        : handler_(std::move(handler)), interval_(interval) {}

    void operator()() {
        if (!handler_) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < interval_) return;
        last_ = now;
        handler_();
    }

private:
    std::function<void()> handler_;
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point last_{};
};
