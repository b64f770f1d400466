#include "MinisignVerifier.h"

#include <algorithm>
#include <optional>

namespace {

constexpr std::string_view kPublicKeyAlgorithm = "Ed";
constexpr std::string_view kPrehashedAlgorithm = "ED";
constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
constexpr std::string_view kTrustedPrefix = "trusted comment: ";
constexpr std::size_t kHashBytes = crypto_generichash_BYTES_MAX;  // BLAKE2b-512
static_assert(kHashBytes == 64);

// Decodes padded standard base64 into exactly out.size() bytes. libsodium's
// decoder refuses stray characters, missing padding and set bits after the
// last byte.
bool DecodeExactly(std::string_view text, std::span<std::uint8_t> out) {
    if (text.size() != sodium_base64_encoded_len(out.size(), sodium_base64_VARIANT_ORIGINAL) - 1) return false;
    std::size_t decoded = 0;
    return sodium_base642bin(out.data(), out.size(), text.data(), text.size(), nullptr, &decoded, nullptr,
                             sodium_base64_VARIANT_ORIGINAL) == 0 &&
           decoded == out.size();
}

// Splits the signature file into lines: each ends at LF, one CR before it is
// part of the line end, and the last line may lack its LF.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}

    std::optional<std::string_view> Next() {
        if (rest_.empty()) return std::nullopt;
        std::size_t end = rest_.find('\n');
        std::string_view line = rest_.substr(0, end);
        rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }

private:
    std::string_view rest_;
};

bool StartsWith(std::string_view line, std::string_view prefix) { return line.substr(0, prefix.size()) == prefix; }

template <std::size_t N>
bool Equal(const std::array<std::uint8_t, N>& bytes, std::string_view text) {
    return text.size() == N && std::equal(bytes.begin(), bytes.end(), text.begin(),
                                          [](std::uint8_t b, char c) { return b == static_cast<std::uint8_t>(c); });
}

}  // namespace

SignatureFault ParseMinisignPublicKey(std::string_view line, MinisignPublicKey& out) {
    std::array<std::uint8_t, 2 + 8 + crypto_sign_PUBLICKEYBYTES> raw;
    if (!DecodeExactly(line, raw)) return SignatureFault::BadPublicKey;
    if (raw[0] != kPublicKeyAlgorithm[0] || raw[1] != kPublicKeyAlgorithm[1]) return SignatureFault::BadPublicKey;
    std::copy_n(raw.begin() + 2, out.keyId.size(), out.keyId.begin());
    std::copy_n(raw.begin() + 10, out.key.size(), out.key.begin());
    return SignatureFault::None;
}

SignatureFault ParseMinisignSignature(std::span<const std::uint8_t> file, MinisignSignature& out) {
    if (file.size() > kMaxSignatureFile) return SignatureFault::TooLarge;
    LineReader lines({reinterpret_cast<const char*>(file.data()), file.size()});
    auto untrusted = lines.Next();
    auto signature = lines.Next();
    auto trusted = lines.Next();
    auto global = lines.Next();
    if (!global) return SignatureFault::Malformed;
    // A NUL cannot come from minisign: its comments are C strings.
    for (std::string_view line : {*untrusted, *trusted})
        if (line.find('\0') != std::string_view::npos) return SignatureFault::Malformed;
    if (!StartsWith(*untrusted, kUntrustedPrefix) || !StartsWith(*trusted, kTrustedPrefix))
        return SignatureFault::Malformed;

    std::array<std::uint8_t, 2 + 8 + crypto_sign_BYTES> raw;
    if (!DecodeExactly(*signature, raw) || !DecodeExactly(*global, out.globalSignature))
        return SignatureFault::Malformed;
    std::copy_n(raw.begin(), out.algorithm.size(), out.algorithm.begin());
    std::copy_n(raw.begin() + 2, out.keyId.size(), out.keyId.begin());
    std::copy_n(raw.begin() + 10, out.signature.size(), out.signature.begin());
    out.trustedComment.assign(trusted->substr(kTrustedPrefix.size()));
    return SignatureFault::None;
}

MinisignVerifier::MinisignVerifier(std::string_view publicKey, std::span<const std::uint8_t> signatureFile) {
    if (sodium_init() < 0) {
        fault_ = SignatureFault::NoCryptography;
        return;
    }
    crypto_generichash_init(&hash_, nullptr, 0, kHashBytes);
    fault_ = ParseMinisignPublicKey(publicKey, key_);
    if (fault_ == SignatureFault::None) fault_ = ParseMinisignSignature(signatureFile, signature_);
    if (fault_ != SignatureFault::None) return;

    // Only the prehashed algorithm: the legacy one signs the file itself,
    // which would have to be held whole until its end.
    if (!Equal(signature_.algorithm, kPrehashedAlgorithm)) {
        fault_ = SignatureFault::UnsupportedAlgorithm;
        return;
    }
    if (signature_.keyId != key_.keyId) {
        fault_ = SignatureFault::OtherKey;
        return;
    }
    // The global signature binds the trusted comment to the file's signature;
    // it needs no byte of the file, so a bad one is refused before hashing.
    std::string message(signature_.signature.begin(), signature_.signature.end());
    message += signature_.trustedComment;
    if (crypto_sign_verify_detached(signature_.globalSignature.data(),
                                    reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                                    key_.key.data()) != 0)
        fault_ = SignatureFault::BadTrustedComment;
}

void MinisignVerifier::Update(std::span<const std::uint8_t> block) {
    if (finished_ || fault_ != SignatureFault::None || block.empty()) return;
    crypto_generichash_update(&hash_, block.data(), block.size());
}

bool MinisignVerifier::Verify() {
    std::array<std::uint8_t, kHashBytes> hash{};
    if (!finished_ && fault_ == SignatureFault::None) crypto_generichash_final(&hash_, hash.data(), hash.size());
    return VerifyHash(hash);
}

bool MinisignVerifier::VerifyHash(std::span<const std::uint8_t, kHashBytes> hash) {
    if (!finished_ && fault_ == SignatureFault::None &&
        crypto_sign_verify_detached(signature_.signature.data(), hash.data(), hash.size(), key_.key.data()) != 0)
        fault_ = SignatureFault::BadSignature;
    finished_ = true;
    return fault_ == SignatureFault::None;
}
