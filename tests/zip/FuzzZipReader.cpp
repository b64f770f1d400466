// Any bytes as an archive: reading the directory and every entry must end in
// a result or one of the reader's own errors, never in a crash or a hang.
#include <cstddef>
#include <cstdint>

#include "ZipArchive.h"

namespace {
struct NullSink final : ByteSink {
    void Write(const std::uint8_t*, std::size_t) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryFile file({data, size});
    try {
        ZipArchive archive(file);
        for (std::size_t i = 0; i < archive.Entries().size(); ++i) {
            const ZipEntry& entry = archive.Entries()[i];
            (void)entry.BareName();
            (void)entry.FileAttributes();
            if (entry.IsFolder()) continue;
            try {
                archive.OpenEntry(i);
                NullSink sink;
                archive.DecodeOpenEntry(sink);
            } catch (const EntryError&) {}
        }
    } catch (const ArchiveError&) {}
    return 0;
}
