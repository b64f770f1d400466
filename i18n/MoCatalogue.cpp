#include "MoCatalogue.h"

#include <algorithm>

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

    // The string of a table entry (length, offset). Not cut at its first NUL
    // here: that would read every string in full, and many entries may point
    // into one long string.
    std::optional<std::string_view> String(std::uint64_t entry) const {
        const std::uint64_t length = Word(entry);
        const std::uint64_t offset = Word(entry + 4);
        if (!Fits(offset, length)) return std::nullopt;
        return std::string_view(reinterpret_cast<const char*>(bytes_.data() + offset), length);
    }

    bool Fits(std::uint64_t offset, std::uint64_t size) const {
        return offset <= bytes_.size() && size <= bytes_.size() - offset;
    }

private:
    std::span<const std::uint8_t> bytes_;
    bool bigEndian_;
};

// Strings are compared as strcmp compares them, which is the order msgfmt
// sorts them in: a string ends at its first NUL or at its end, and bytes
// count unsigned.
unsigned Byte(std::string_view text, std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// Reads no further than the first difference, so a comparison with a short
// msgid costs little whatever the other string's length.
std::size_t CommonPrefix(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    while (Byte(a, i) != 0 && Byte(a, i) == Byte(b, i))
        ++i;
    return i;
}

int Compare(std::string_view a, std::string_view b) {
    const std::size_t i = CommonPrefix(a, b);
    return static_cast<int>(Byte(a, i)) - static_cast<int>(Byte(b, i));
}

}  // namespace

// In a file whose strings do not overlap, neighbours share no more bytes
// than the file holds; a file that makes the check read more than that
// counts as unsorted, so the check stays linear in the file's size.
bool MoCatalogue::InOrder(const std::vector<Entry>& entries, std::size_t budget) {
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const std::string_view previous = entries[i - 1].msgid;
        const std::string_view next = entries[i].msgid;
        const std::size_t common = CommonPrefix(previous, next);
        if (common >= budget) return false;
        budget -= common + 1;
        if (Byte(previous, common) > Byte(next, common)) return false;
    }
    return true;
}

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
        catalogue.entries_.push_back({*msgid, *msgstr});
    }
    catalogue.sorted_ = InOrder(catalogue.entries_, bytes.size());
    return catalogue;
}

std::optional<std::string_view> MoCatalogue::Find(std::string_view msgid) const {
    // A msgid in the file ends at its first NUL, so a key with one matches none.
    if (msgid.find('\0') != std::string_view::npos) return std::nullopt;

    const auto matches = [&](const Entry& entry) { return Compare(entry.msgid, msgid) == 0; };
    std::vector<Entry>::const_iterator it;
    if (sorted_) {
        // The first of equal neighbours, as a reading from the start would find.
        it = std::lower_bound(entries_.begin(), entries_.end(), msgid,
                              [](const Entry& entry, std::string_view key) { return Compare(entry.msgid, key) < 0; });
        if (it != entries_.end() && !matches(*it)) it = entries_.end();
    } else {
        it = std::find_if(entries_.begin(), entries_.end(), matches);
    }
    if (it == entries_.end()) return std::nullopt;
    return it->msgstr.substr(0, it->msgstr.find('\0'));
}
