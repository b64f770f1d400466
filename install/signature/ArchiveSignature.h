#pragma once
// The one rule an archive's signature must meet. Setup.exe applies it to
// each download; the maker's release command applies it to each archive
// before it builds the Setup.exe that will, so that both refuse the same
// signatures. The signature must be the maker's key's over the archive's
// hash (MinisignVerifier), and its trusted comment must name the archive's
// own name and a time no earlier than the floor (TrustedComment).
#include <cstdint>
#include <span>
#include <string_view>

#include "BackgroundHash.h"
#include "MinisignVerifier.h"
#include "TrustedComment.h"

struct ArchiveSignatureVerdict {
    SignatureFault signature = SignatureFault::None;  // checked first
    Binding binding = Binding::Binds;                 // then, for a valid signature, its trusted comment
    TrustedComment comment;                           // what a valid signature's trusted comment says

    bool Holds() const noexcept { return signature == SignatureFault::None && binding == Binding::Binds; }
};

// publicKey: the base64 line of the maker's minisign.pub; hash: the archive's
// BLAKE2b-512 hash (BackgroundHash); archiveName: the name Setup.exe stores
// the archive under.
ArchiveSignatureVerdict CheckArchiveSignature(std::string_view publicKey, std::span<const std::uint8_t> signatureFile,
                                              const BackgroundHash::Hash& hash, std::string_view archiveName,
                                              std::int64_t notBefore);
