#pragma once
// Owners for Win32 handles and registry keys: closed when they go out of
// scope; and the deletion of a file through its handle.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <utility>

// The invalid value is given as an integer: INVALID_HANDLE_VALUE is a cast
// pointer, which a template argument cannot be.
template <typename T, std::intptr_t InvalidValue, auto Close>
class UniqueOwner {
    static T Invalid() { return reinterpret_cast<T>(InvalidValue); }

public:
    UniqueOwner() = default;
    explicit UniqueOwner(T value) : value_(value) {}
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;
    UniqueOwner(UniqueOwner&& other) noexcept : value_(std::exchange(other.value_, Invalid())) {}
    UniqueOwner& operator=(UniqueOwner&& other) noexcept {
        if (this != &other) {
            Reset();
            value_ = std::exchange(other.value_, Invalid());
        }
        return *this;
    }
    ~UniqueOwner() { Reset(); }

    T Get() const { return value_; }
    T* Put() {
        Reset();
        return &value_;
    }
    explicit operator bool() const { return value_ != Invalid(); }
    void Reset() {
        if (value_ != Invalid()) Close(std::exchange(value_, Invalid()));
    }

private:
    T value_ = Invalid();
};

inline void CloseHandleOwned(HANDLE h) { ::CloseHandle(h); }
inline void CloseKeyOwned(HKEY k) { ::RegCloseKey(k); }

// A file handle: invalid is INVALID_HANDLE_VALUE.
using UniqueFile = UniqueOwner<HANDLE, -1, CloseHandleOwned>;
// Event, process and other handles whose invalid value is null.
using UniqueHandle = UniqueOwner<HANDLE, 0, CloseHandleOwned>;
using UniqueKey = UniqueOwner<HKEY, 0, CloseKeyOwned>;

// Memory the system allocated with LocalAlloc for the caller (security
// descriptors, SIDs and texts converted from SDDL).
struct LocalFreer {
    void operator()(void* memory) const { ::LocalFree(memory); }
};
template <typename T = void>
using LocalOwned = std::unique_ptr<T, LocalFreer>;

// Marks a file opened with DELETE access for deletion: it goes when its last
// handle closes, also when the process is killed or crashes, and until then
// nobody can open it again. KeepWhenClosed takes the mark away. Both return
// false when the file system refused.
inline bool SetDeleteWhenClosed(HANDLE file, bool deleted) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(deleted)};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}
inline bool DeleteWhenClosed(HANDLE file) { return SetDeleteWhenClosed(file, true); }
inline bool KeepWhenClosed(HANDLE file) { return SetDeleteWhenClosed(file, false); }
