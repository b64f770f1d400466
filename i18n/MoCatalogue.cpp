#include "MoCatalogue.h"

namespace {

constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::uint32_t kMagicSwapped = 0xde120495;
constexpr std::size_t kHeaderSize = 7 * 4;  // magic, revision, count, two table offsets, hash size and offset

class Reader {
public:
    Reader(std::span<const std::uint8_t> bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}

    // The caller has checked that offset + 4 lies within the bytes.
    std::uint32_t Word(std::uint64_t offset) const {
        const std::uint8_t* p = bytes_.data() + offset;
        return bigEndian_
                   ? (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3]
                   : (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
    }

    // A string of a table entry (length, offset), cut at its first NUL so that
    // a plural entry yields its singular msgid or its first form.
    std::optional<std::string_view> String(std::uint64_t entry) const {
        const std::uint64_t length = Word(entry);
        const std::uint64_t offset = Word(entry + 4);
        if (offset > bytes_.size() || length > bytes_.size() - offset) return std::nullopt;
        std::string_view text(reinterpret_cast<const char*>(bytes_.data() + offset), length);
        return text.substr(0, text.find('\0'));
    }

    bool Fits(std::uint64_t offset, std::uint64_t size) const {
        return offset <= bytes_.size() && size <= bytes_.size() - offset;
    }

private:
    std::span<const std::uint8_t> bytes_;
    bool bigEndian_;
};

}  // namespace

std::optional<MoCatalogue> MoCatalogue::Parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize) return std::nullopt;
    const Reader little(bytes, false);
    const std::uint32_t magic = little.Word(0);
    if (magic != kMagic && magic != kMagicSwapped) return std::nullopt;
    const Reader reader(bytes, magic == kMagicSwapped);

    const std::uint64_t count = reader.Word(8);
    const std::uint64_t originals = reader.Word(12);
    const std::uint64_t translations = reader.Word(16);
    if (!reader.Fits(originals, count * 8) || !reader.Fits(translations, count * 8)) return std::nullopt;

    MoCatalogue catalogue;
    catalogue.entries_.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto msgid = reader.String(originals + i * 8);
        const auto msgstr = reader.String(translations + i * 8);
        if (!msgid || !msgstr) return std::nullopt;
        catalogue.entries_.emplace(*msgid, *msgstr);  // of duplicates the first one counts
    }
    return catalogue;
}

std::optional<std::string_view> MoCatalogue::Find(std::string_view msgid) const {
    const auto it = entries_.find(msgid);
    if (it == entries_.end()) return std::nullopt;
    return it->second;
}
