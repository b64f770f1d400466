#include "ZipEntry.h"

#include "EntryName.h"

namespace {
constexpr std::uint32_t kDosFolder = 0x10;
constexpr std::uint32_t kReadOnly = 0x01, kHidden = 0x02, kSystem = 0x04, kArchive = 0x20, kNormal = 0x80;
constexpr unsigned kHostUnix = 3;
constexpr std::uint32_t kUnixOwnerWrite = 0200;
}  // namespace

bool ZipEntry::IsFolder() const {
    return (externalAttributes & kDosFolder) != 0 || name.ends_with(u'/') || name.ends_with(u'\\');
}

std::u16string ZipEntry::BareName() const { return std::u16string(BareNameOf(name)); }

std::uint32_t ZipEntry::FileAttributes() const {
    // A Unix host (or attributes too large for DOS) stores a mode in the upper
    // half: only the owner's write permission carries over, as read-only.
    if ((versionMadeBy >> 8) == kHostUnix || externalAttributes > 0x1FFFF)
        return ((externalAttributes >> 16) & kUnixOwnerWrite) ? kNormal : kReadOnly;
    // Otherwise the DOS attribute byte, limited to the bits a file may carry.
    const std::uint32_t dos = externalAttributes & (kReadOnly | kHidden | kSystem | kArchive);
    return dos != 0 ? dos : kNormal;
}
