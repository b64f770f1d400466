#pragma once
// Out of memory on demand: while an AddressSpaceFilled lives, no block larger
// than what the heap holds in reserve can be had, and no file can be mapped,
// because every free range of the process's address space is reserved.
// A 32-bit process's address space (2-4 GB) fills at once; a 64-bit one's
// (128 TB) only where the process runs with a bounded address space (the
// tests' BOUNDED_ADDRESS_SPACE): Full() says whether it worked.
#include <windows.h>

#include <vector>

class AddressSpaceFilled {
public:
    AddressSpaceFilled();
    ~AddressSpaceFilled();
    AddressSpaceFilled(const AddressSpaceFilled&) = delete;
    AddressSpaceFilled& operator=(const AddressSpaceFilled&) = delete;

    // Whether even the smallest reservation failed at the end.
    bool Full() const { return full_; }

private:
    std::vector<void*> reserved_;
    bool full_ = false;
};

// The note for a test that finds the address space not full.
inline constexpr const char* kAddressSpaceNotFull =
    "the address space could not be filled: a 64-bit test needs a bounded address space "
    "(setup_test BOUNDED_ADDRESS_SPACE)";
