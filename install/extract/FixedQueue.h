#pragma once
// A first-in first-out queue whose storage is made once, up front: adding to
// it never allocates, so handing a block or an outcome over cannot fail for
// want of memory half-way (which would lose the block).
#include <cstddef>
#include <utility>
#include <vector>

template <typename T>
class FixedQueue {
public:
    explicit FixedQueue(std::size_t capacity) : slots_(capacity) {}

    bool empty() const { return size_ == 0; }
    bool full() const { return size_ == slots_.size(); }
    std::size_t size() const { return size_; }

    // Only when not full.
    void push_back(T value) {
        slots_[(head_ + size_) % slots_.size()] = std::move(value);
        ++size_;
    }
    T& front() { return slots_[head_]; }
    void pop_front() {
        head_ = (head_ + 1) % slots_.size();
        --size_;
    }

private:
    std::vector<T> slots_;
    std::size_t head_ = 0, size_ = 0;
};
