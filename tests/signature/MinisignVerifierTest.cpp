// The verifier against keys, files and signatures made by the real minisign
// tool (make_signatures.py): each case's reason for refusal, and the same
// verdict as `minisign -V -H` gave on the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "BackgroundHash.h"
#include "MinisignVerifier.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Made(const std::string& name) { return std::string(SIGNATURE_CASES) + "/" + name; }

Bytes Load(const std::string& name) {
    std::ifstream in(Made(name), std::ios::binary | std::ios::ate);
    EXPECT_TRUE(in) << name;
    Bytes bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// The base64 line of a minisign.pub (its second line).
std::string PublicKeyOf(const std::string& name) {
    std::ifstream in(Made(name));
    std::string comment, key;
    std::getline(in, comment);
    std::getline(in, key);
    EXPECT_FALSE(key.empty()) << name;
    return key;
}

struct MadeCase {
    std::string data;
    std::string signature;
    bool minisignAccepts = false;
};

// cases.txt: "<case> <data file> <signature file> <1 if minisign accepted it>".
std::map<std::string, MadeCase> MadeCases() {
    std::map<std::string, MadeCase> cases;
    std::ifstream in(Made("cases.txt"));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name;
        MadeCase c;
        fields >> name >> c.data >> c.signature >> c.minisignAccepts;
        cases[name] = c;
    }
    EXPECT_FALSE(cases.empty());
    return cases;
}

// Streams data through a verifier in blocks of blockSize.
MinisignVerifier& Feed(MinisignVerifier& verifier, const Bytes& data, std::size_t blockSize) {
    for (std::size_t at = 0; at < data.size(); at += blockSize)
        verifier.Update(std::span(data).subspan(at, std::min(blockSize, data.size() - at)));
    return verifier;
}

struct Case {
    const char* name;
    SignatureFault fault;
    // Where we are deliberately stricter than minisign.
    bool minisignAccepts = false;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

}  // namespace

void PrintTo(SignatureFault fault, std::ostream* out) {
    static const char* const names[] = {
        "None",     "BadPublicKey",      "TooLarge",     "Malformed",     "UnsupportedAlgorithm",
        "OtherKey", "BadTrustedComment", "BadSignature", "NoCryptography"};
    *out << names[static_cast<int>(fault)];
}

namespace {

const Case kCases[] = {
    {"genuine", SignatureFault::None},
    {"genuine_crlf", SignatureFault::None},
    {"genuine_without_final_line_end", SignatureFault::None},
    {"untrusted_comment_changed", SignatureFault::None},
    {"lines_after_the_signature", SignatureFault::None},
    {"largest_signature_file", SignatureFault::None},
    {"empty_file", SignatureFault::None},

    {"tampered_file", SignatureFault::BadSignature},
    {"file_one_byte_longer", SignatureFault::BadSignature},
    {"file_one_byte_shorter", SignatureFault::BadSignature},
    {"signature_of_another_file", SignatureFault::BadSignature},
    {"signed_by_another_key", SignatureFault::OtherKey},
    {"key_id_changed", SignatureFault::OtherKey},
    // The key id is no proof: the global signature is made by the other key.
    {"another_key_claiming_our_key_id", SignatureFault::BadTrustedComment},
    {"legacy_algorithm", SignatureFault::UnsupportedAlgorithm},
    {"prehashed_signature_labelled_legacy", SignatureFault::UnsupportedAlgorithm},
    {"unknown_algorithm", SignatureFault::UnsupportedAlgorithm},
    {"trusted_comment_changed", SignatureFault::BadTrustedComment},
    {"trusted_comment_with_trailing_space", SignatureFault::BadTrustedComment},
    {"global_signature_changed", SignatureFault::BadTrustedComment},
    // The global signature covers the file's signature too.
    {"file_signature_changed", SignatureFault::BadTrustedComment},

    {"empty_signature_file", SignatureFault::Malformed},
    {"truncated_after_trusted_comment", SignatureFault::Malformed},
    {"truncated_inside_global_signature", SignatureFault::Malformed},
    {"truncated_inside_signature_line", SignatureFault::Malformed},
    {"signature_line_bad_base64", SignatureFault::Malformed},
    {"global_signature_bad_base64", SignatureFault::Malformed},
    {"signature_line_without_padding", SignatureFault::Malformed},
    {"signature_line_with_space", SignatureFault::Malformed},
    {"signature_line_one_byte_short", SignatureFault::Malformed},
    {"signature_line_one_byte_long", SignatureFault::Malformed},
    {"global_signature_one_byte_short", SignatureFault::Malformed},
    {"untrusted_comment_prefix_missing", SignatureFault::Malformed},
    {"trusted_comment_prefix_misspelt", SignatureFault::Malformed},
    {"lines_separated_by_cr_only", SignatureFault::Malformed},
    {"blank_line_before_the_signature", SignatureFault::Malformed},
    {"nul_in_trusted_comment", SignatureFault::Malformed},
    // minisign reads the four lines and ignores what follows; the size limit is ours.
    {"oversized_signature_file", SignatureFault::TooLarge, true},
    // Bits set after the last byte: minisign ignores them; they never come
    // from an encoder, so they are refused.
    {"signature_line_noncanonical_base64", SignatureFault::Malformed, true},
};

class MadeSignature : public testing::TestWithParam<Case> {};

TEST_P(MadeSignature, VerdictAndReasonAsExpectedAndAsMinisignSays) {
    const Case& expected = GetParam();
    static const auto made = MadeCases();
    auto found = made.find(expected.name);
    ASSERT_NE(found, made.end()) << "make_signatures.py made no case " << expected.name;
    const MadeCase& c = found->second;

    MinisignVerifier verifier(PublicKeyOf("maker.pub"), Load(c.signature));
    Feed(verifier, Load(c.data), 64 * 1024);
    EXPECT_EQ(verifier.Verify(), expected.fault == SignatureFault::None);
    EXPECT_EQ(verifier.Fault(), expected.fault);
    EXPECT_EQ(c.minisignAccepts, expected.fault == SignatureFault::None || expected.minisignAccepts);
}

INSTANTIATE_TEST_SUITE_P(Cases, MadeSignature, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(MadeSignatures, EveryCaseMadeHasAnExpectation) {
    for (const auto& made : MadeCases()) {
        const std::string& name = made.first;
        EXPECT_TRUE(std::any_of(std::begin(kCases), std::end(kCases), [&](const Case& k) { return k.name == name; }))
            << name;
    }
}

TEST(MinisignVerifier, VerdictDoesNotDependOnHowTheFileIsSplit) {
    const Bytes data = Load("archive.bin");
    const Bytes signature = Load("archive.minisig");
    Bytes tampered = data;
    tampered.back() ^= 0x40;
    for (std::size_t blockSize : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, data.size()}) {
        MinisignVerifier genuine(PublicKeyOf("maker.pub"), signature);
        EXPECT_TRUE(Feed(genuine, data, blockSize).Verify()) << blockSize;
        MinisignVerifier changed(PublicKeyOf("maker.pub"), signature);
        EXPECT_FALSE(Feed(changed, tampered, blockSize).Verify()) << blockSize;
    }
}

// The hash a signed download computes on its way: the same verdict whatever
// the blocks the body arrives in (archive.bin crosses the hash's 1 MiB
// hand-over size), also for an empty file.
TEST(BackgroundHash, GivesTheHashTheVerifierChecks) {
    const Bytes data = Load("archive.bin");
    Bytes tampered = data;
    tampered[tampered.size() / 3] ^= 0x02;
    const auto hashOf = [](const Bytes& bytes, std::size_t blockSize) {
        BackgroundHash hash;
        for (std::size_t at = 0; at < bytes.size(); at += blockSize)
            hash.Add(std::span(bytes).subspan(at, std::min(blockSize, bytes.size() - at)));
        return hash.Finish();
    };
    for (std::size_t blockSize : {std::size_t{1}, std::size_t{4099}, std::size_t{1} << 20, data.size()}) {
        MinisignVerifier genuine(PublicKeyOf("maker.pub"), Load("archive.minisig"));
        EXPECT_TRUE(genuine.VerifyHash(hashOf(data, blockSize))) << blockSize;
        MinisignVerifier changed(PublicKeyOf("maker.pub"), Load("archive.minisig"));
        EXPECT_FALSE(changed.VerifyHash(hashOf(tampered, blockSize))) << blockSize;
        EXPECT_EQ(changed.Fault(), SignatureFault::BadSignature);
    }
    MinisignVerifier empty(PublicKeyOf("maker.pub"), Load("empty.minisig"));
    EXPECT_TRUE(empty.VerifyHash(BackgroundHash().Finish()));
}

// More than its queue holds, so the producer waits for the hash; and a hash
// dropped half-way (a failed download) ends its thread.
TEST(BackgroundHash, KeepsUpWithALongStreamAndCanBeDroppedUnfinished) {
    Bytes stream(40u << 20);
    for (std::size_t i = 0; i < stream.size(); ++i)
        stream[i] = static_cast<std::uint8_t>(i * 131 >> 7);
    BackgroundHash::Hash expected;
    crypto_generichash(expected.data(), expected.size(), stream.data(), stream.size(), nullptr, 0);
    BackgroundHash hash;
    for (std::size_t at = 0; at < stream.size(); at += 65536)
        hash.Add(std::span(stream).subspan(at, 65536));
    EXPECT_EQ(hash.Finish(), expected);

    BackgroundHash dropped;
    dropped.Add(stream);
}

TEST(MinisignVerifier, FirstVerifyDecidesAndLaterBlocksAreIgnored) {
    const Bytes data = Load("other.bin");
    MinisignVerifier verifier(PublicKeyOf("maker.pub"), Load("other.minisig"));
    verifier.Update(data);
    verifier.Update({});
    ASSERT_TRUE(verifier.Verify());
    verifier.Update(data);
    EXPECT_TRUE(verifier.Verify());
    EXPECT_EQ(verifier.Fault(), SignatureFault::None);
}

std::string Base64(const Bytes& bytes) {
    std::string text(sodium_base64_encoded_len(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(), sodium_base64_VARIANT_ORIGINAL);
    text.pop_back();
    return text;
}

TEST(MinisignPublicKey, OnlyTheBase64LineOfAnEd25519KeyIsAccepted) {
    ASSERT_GE(sodium_init(), 0);
    const std::string line = PublicKeyOf("maker.pub");
    Bytes raw(42);
    std::size_t length = 0;
    ASSERT_EQ(sodium_base642bin(raw.data(), raw.size(), line.data(), line.size(), nullptr, &length, nullptr,
                                sodium_base64_VARIANT_ORIGINAL),
              0);
    Bytes otherAlgorithm = raw;
    otherAlgorithm[1] = 'D';
    const std::string wholeFile = [] {
        Bytes file = Load("maker.pub");
        return std::string(file.begin(), file.end());
    }();
    const struct {
        const char* what;
        std::string line;
        bool accepted;
    } cases[] = {
        {"the key line", line, true},
        {"with its line end", line + "\n", false},
        {"with a leading space", " " + line, false},
        {"the whole minisign.pub", wholeFile, false},
        {"algorithm ED", Base64(otherAlgorithm), false},
        {"one byte short", Base64(Bytes(raw.begin(), raw.end() - 1)), false},
        {"one byte long", Base64([&] {
             Bytes b = raw;
             b.push_back(0);
             return b;
         }()),
         false},
        {"empty", "", false},
    };
    for (const auto& c : cases) {
        MinisignPublicKey key;
        EXPECT_EQ(ParseMinisignPublicKey(c.line, key) == SignatureFault::None, c.accepted) << c.what;
        MinisignVerifier verifier(c.line, Load("other.minisig"));
        EXPECT_EQ(Feed(verifier, Load("other.bin"), 64).Verify(), c.accepted) << c.what;
        EXPECT_EQ(verifier.Fault(), c.accepted ? SignatureFault::None : SignatureFault::BadPublicKey) << c.what;
    }
}

}  // namespace
