// Reduce on small streams built here, one behaviour of the expansion each.
#include "RawEntries.h"

#include <gtest/gtest.h>

#include <bit>
#include <map>

namespace {

class BitWriter {
public:
    void Put(unsigned value, unsigned bits) {
        for (unsigned i = 0; i < bits; ++i, ++used_) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if (value >> i & 1) bytes_.back() |= static_cast<std::uint8_t>(1u << (used_ % 8));
        }
    }
    std::vector<std::uint8_t> Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    unsigned used_ = 0;
};

using Followers = std::map<int, std::vector<std::uint8_t>>;

// Codes the symbols as a Reduce encoder would, after the follower sets. A
// symbol given as 256 + i is coded as follower index i, valid or not.
std::vector<std::uint8_t> Reduced(const Followers& followers, const std::vector<unsigned>& symbols) {
    BitWriter out;
    for (int byte = 255; byte >= 0; --byte) {
        const auto it = followers.find(byte);
        const std::size_t n = it == followers.end() ? 0 : it->second.size();
        out.Put(static_cast<unsigned>(n), 6);
        for (std::size_t i = 0; i < n; ++i)
            out.Put(it->second[i], 8);
    }
    unsigned last = 0;
    for (unsigned symbol : symbols) {
        const auto it = followers.find(static_cast<int>(last));
        const bool hasSet = it != followers.end() && !it->second.empty();
        if (symbol >= 256) {
            const unsigned n = static_cast<unsigned>(it->second.size());
            out.Put(0, 1);
            out.Put(symbol - 256, n <= 2 ? 1 : std::bit_width(n - 1));
            symbol = symbol - 256 < n ? it->second[symbol - 256] : 0;
        } else {
            if (hasSet) out.Put(1, 1);
            out.Put(symbol, 8);
        }
        last = symbol;
    }
    return out.Bytes();
}

std::vector<unsigned> Text(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<unsigned> operator+(std::vector<unsigned> a, const std::vector<unsigned>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string Unreduce(int factor, const std::vector<std::uint8_t>& raw, std::uint64_t size) {
    MemorySource source(raw);
    CrcSink sink(true);
    DecodeEntry({static_cast<std::uint16_t>(factor + 1), 0, raw.size(), size}, source, sink);
    return {sink.bytes.begin(), sink.bytes.end()};
}

}  // namespace

TEST(Unreduce, ExpandsEscapesLengthsAndDistances) {
    struct Case {
        const char* what;
        int factor;
        Followers followers;
        std::vector<unsigned> symbols;
        std::string expected;
    };
    const Case cases[] = {
        {"plain bytes", 1, {}, Text("AB"), "AB"},
        {"escaped escape byte",
         2,
         {},
         Text("a") + std::vector<unsigned>{144, 0} + Text("b"),
         "a\x90"
         "b"},
        // length byte 0x01 = 1 + 3 bytes, distance byte 2 = 3 back; overlapping copy
        {"back-reference", 1, {}, Text("abc") + std::vector<unsigned>{144, 0x01, 2}, "abcabca"},
        // factor 4: high distance bits from the length byte (1 -> 256 + 0 + 1)
        {"distance before the start reads zeros",
         4,
         {},
         Text("x") + std::vector<unsigned>{144, 0x10, 0},
         std::string("x\0\0\0", 4)},
        // factor 2: length 63 is the mask, so the next byte adds 10: 76 bytes
        {"extended length", 2, {}, Text("z") + std::vector<unsigned>{144, 0x3F, 10, 0}, std::string(77, 'z')},
        {"follower sets",
         3,
         {{0, {'Q', 'R', 'S'}}, {'S', {'T'}}},
         std::vector<unsigned>{256 + 2, 256 + 0} + Text("U"),
         "STU"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Unreduce(c.factor, Reduced(c.followers, c.symbols), c.expected.size()), c.expected) << c.what;
}

TEST(Unreduce, StopsAtTheDeclaredSizeInsideACopy) {
    EXPECT_EQ(Unreduce(1, Reduced({}, Text("abc") + std::vector<unsigned>{144, 0x01, 2}), 5), "abcab");
}

TEST(Unreduce, MalformedStreamsAreDamaged) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> raw;
        std::uint64_t size;
    };
    const Case cases[] = {
        {"follower index past the set", Reduced({{0, {'Q', 'R', 'S'}}}, {256 + 3}), 1},
        {"data ends before the size", Reduced({}, Text("ab")), 3},
        {"follower sets cut short", {0xFF, 0xFF}, 1},
    };
    for (const auto& c : cases) {
        MemorySource source(c.raw);
        CrcSink sink;
        try {
            DecodeEntry({5, 0, c.raw.size(), c.size}, source, sink);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const DecodeError& error) {
            EXPECT_EQ(error.Fault(), DecodeFault::Damaged) << c.what;
        }
    }
}
