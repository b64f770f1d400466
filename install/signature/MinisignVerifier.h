#pragma once
// Checking a downloaded file against a detached minisign signature and the
// maker's public key, the way `minisign -V` checks its prehashed signatures:
// the algorithm ("ED": Ed25519 over the BLAKE2b-512 hash of the file), the key
// id, the signature of the file's hash and the global signature over the
// trusted comment. The file streams through Update in blocks of any size, so
// memory stays flat whatever its size. Everything cryptographic is libsodium's.
//
// Signature file, as minisign writes it (LF or CRLF line ends; the last line
// end may be missing; anything after the fourth line is ignored):
//   untrusted comment: <text, not signed>
//   base64("ED" || key id (8) || Ed25519 signature of BLAKE2b-512(file) (64))
//   trusted comment: <text>
//   base64(Ed25519 signature of (the 64-byte signature above || <text>) (64))
// Public key: the base64 line of a minisign.pub, base64("Ed" || key id || key (32)).
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include <sodium.h>

// Why a signature was refused. The installation run shows one text for all of
// them; the distinction is for tests.
enum class SignatureFault {
    None,
    BadPublicKey,          // not the base64 of "Ed", a key id and a 32-byte key
    TooLarge,              // the signature file is larger than kMaxSignatureFile
    Malformed,             // lines missing, comment prefixes wrong, bad base64 or wrong lengths
    UnsupportedAlgorithm,  // legacy "Ed" (signs the whole file, not its hash) or unknown
    OtherKey,              // the key id is not the public key's
    BadTrustedComment,     // the global signature does not verify
    BadSignature,          // the file's hash does not verify
    NoCryptography,        // libsodium could not be initialised
};

// Larger signature files are refused unread: minisign's are about 300 bytes.
inline constexpr std::size_t kMaxSignatureFile = 64 * 1024;

struct MinisignPublicKey {
    std::array<std::uint8_t, 8> keyId{};
    std::array<std::uint8_t, crypto_sign_PUBLICKEYBYTES> key{};
};

struct MinisignSignature {
    std::array<std::uint8_t, 2> algorithm{};
    std::array<std::uint8_t, 8> keyId{};
    std::array<std::uint8_t, crypto_sign_BYTES> signature{};
    std::string trustedComment;  // the text after "trusted comment: "
    std::array<std::uint8_t, crypto_sign_BYTES> globalSignature{};
};

// Parse without checking any signature; return Malformed / BadPublicKey /
// TooLarge, or None with out filled in.
SignatureFault ParseMinisignPublicKey(std::string_view line, MinisignPublicKey& out);
SignatureFault ParseMinisignSignature(std::span<const std::uint8_t> file, MinisignSignature& out);

class MinisignVerifier {
public:
    // Parses both and checks everything that does not depend on the file
    // (algorithm, key id, global signature). Never throws for bad input: a
    // refusal here makes Verify false, and Update then does no work.
    MinisignVerifier(std::string_view publicKey, std::span<const std::uint8_t> signatureFile);
    MinisignVerifier(const MinisignVerifier&) = delete;
    MinisignVerifier& operator=(const MinisignVerifier&) = delete;

    // The file's next block, in order.
    void Update(std::span<const std::uint8_t> block);

    // After the last block: whether the file carries a valid signature by the
    // key. The first call decides; later calls repeat its answer, and blocks
    // given after it are ignored.
    bool Verify();

    // Instead of Update and Verify, for a file hashed elsewhere (for example
    // by BackgroundHash while it downloaded): its BLAKE2b-512 hash.
    bool VerifyHash(std::span<const std::uint8_t, crypto_generichash_BYTES_MAX> hash);

    // The trusted comment, which the global signature covers; meaningful
    // once Verify or VerifyHash said yes.
    const std::string& TrustedCommentText() const noexcept { return signature_.trustedComment; }

    // Why Verify refused (None while nothing was refused).
    SignatureFault Fault() const noexcept { return fault_; }

private:
    SignatureFault fault_ = SignatureFault::None;
    bool finished_ = false;
    MinisignPublicKey key_;
    MinisignSignature signature_;
    crypto_generichash_state hash_;
};
