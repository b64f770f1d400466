#pragma once
// Out of memory on demand: while an AddressSpaceFilled lives, no block larger
// than what the heap holds in reserve can be had, and no file can be mapped,
// because every free range of the process's address space is reserved. The
// same on a 32-bit (2-4 GB) and a 64-bit (128 TB) address space: the largest
// reservations come first.
#include <windows.h>

#include <vector>

class AddressSpaceFilled {
public:
    AddressSpaceFilled();
    ~AddressSpaceFilled();
    AddressSpaceFilled(const AddressSpaceFilled&) = delete;
    AddressSpaceFilled& operator=(const AddressSpaceFilled&) = delete;

private:
    std::vector<void*> reserved_;
};
