#include "MappedCatalogue.h"

#include <cstdint>
#include <span>

#include "SystemErrorText.h"
#include "gnugettext.h"

MappedCatalogue::MappedCatalogue(const std::wstring& path) {
    file_ = UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file_ || !GetFileSizeEx(file_.Get(), &size)) throw EGGIOError(L"Cannot open file " + path);

    // The mapping is made with the size read above, so the view can never be
    // shorter than the bytes the reader is told about. An empty file cannot
    // be mapped at all.
    mapping_ =
        UniqueHandle(CreateFileMappingW(file_.Get(), nullptr, PAGE_READONLY, static_cast<DWORD>(size.QuadPart >> 32),
                                        static_cast<DWORD>(size.QuadPart & 0xffffffff), nullptr));
    if (!mapping_) throw EGGIOError(L"Cannot create memory map on file " + path);

    view_ = MapViewOfFile(mapping_.Get(), FILE_MAP_READ, 0, 0, 0);
    if (!view_) {
        const DWORD error = GetLastError();
        throw EGGIOError(L"Cannot map file " + path + L" into memory. Reason: " + SystemErrorText(error));
    }

    const std::span bytes(static_cast<const std::uint8_t*>(view_), static_cast<std::size_t>(size.QuadPart));
    catalogue_ = MoCatalogue::Parse(bytes);
    if (!catalogue_) {
        UnmapViewOfFile(view_);
        throw EGGIOError(L"This file is not a valid GNU gettext mo file: " + path);
    }
}

MappedCatalogue::~MappedCatalogue() {
    catalogue_.reset();
    UnmapViewOfFile(view_);
}
