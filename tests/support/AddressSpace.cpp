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
    // The largest blocks first (a quarter of the address space: 1 GB or
    // 32 TB), down to the allocation grain (64 KB).
    constexpr std::size_t kLargest = std::size_t{1} << (sizeof(void*) == 8 ? 45 : 30);
    for (std::size_t size = kLargest; size >= 64 * 1024; size /= 2)
        while (reserved_.size() < reserved_.capacity())
            if (void* p = ::VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
                reserved_.push_back(p);
            else
                break;
}

AddressSpaceFilled::~AddressSpaceFilled() {
    for (void* p : reserved_)
        ::VirtualFree(p, 0, MEM_RELEASE);
}
