#include "AddressSpace.h"

#include <cstddef>
#include <memory>

AddressSpaceFilled::AddressSpaceFilled() {
    // Room in the heap first, for the small allocations around the work.
    std::vector<std::unique_ptr<char[]>> cushion;
    for (int i = 0; i < 64; ++i)
        cushion.push_back(std::make_unique<char[]>(16 * 1024));
    cushion.clear();
    reserved_.reserve(4096);
    // The largest blocks first (1 GB), down to the allocation grain (64 KB).
    for (std::size_t size = std::size_t{1} << 30; size >= 64 * 1024; size /= 2) {
        full_ = false;
        while (reserved_.size() < reserved_.capacity()) {
            void* p = ::VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
            if (!p) {
                full_ = true;
                break;
            }
            reserved_.push_back(p);
        }
    }
}

AddressSpaceFilled::~AddressSpaceFilled() {
    for (void* p : reserved_)
        ::VirtualFree(p, 0, MEM_RELEASE);
}
