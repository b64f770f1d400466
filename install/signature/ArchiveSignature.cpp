#include "ArchiveSignature.h"

ArchiveSignatureVerdict CheckArchiveSignature(std::string_view publicKey, std::span<const std::uint8_t> signatureFile,
                                              const BackgroundHash::Hash& hash, std::string_view archiveName,
                                              std::int64_t notBefore) {
    ArchiveSignatureVerdict verdict;
    MinisignVerifier verifier(publicKey, signatureFile);
    if (!verifier.VerifyHash(hash)) {
        verdict.signature = verifier.Fault();
        return verdict;
    }
    // Only a valid signature's comment says anything: the global signature covers it.
    verdict.comment = ParseTrustedComment(verifier.TrustedCommentText());
    verdict.binding = BindingTo(verdict.comment, archiveName, notBefore);
    return verdict;
}
