#pragma once
// A catalogue file mapped into memory for reading, other readers allowed,
// and read as an MO catalogue. The mapping lives as long as the object.
#include <optional>
#include <string>

#include "MoCatalogue.h"
#include "UniqueHandle.h"

class MappedCatalogue {
public:
    // Throws EGGIOError with the path in its text.
    explicit MappedCatalogue(const std::wstring& path);
    ~MappedCatalogue();
    MappedCatalogue(const MappedCatalogue&) = delete;
    MappedCatalogue& operator=(const MappedCatalogue&) = delete;

    const MoCatalogue& Catalogue() const { return *catalogue_; }

private:
    UniqueFile file_;
    UniqueHandle mapping_;
    const void* view_ = nullptr;
    std::optional<MoCatalogue> catalogue_;
};
