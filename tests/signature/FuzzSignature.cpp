// Any bytes as a signature file: parsing and the checks made before the file
// is hashed must end in a verdict, never in a crash or a read out of bounds.
// The key is the one that made the seeds, so mutated seeds also reach the key
// id, the global signature and the signature of the data.
#include <cstddef>
#include <cstdint>
#include <span>

#include "MinisignVerifier.h"
#include "TrustedComment.h"

namespace {
// The public key that signed seeds/fuzz_signature/*.minisig (of kSignedData).
constexpr const char* kSeedKey = "RWR0K+gRMedQ7+hG4y6gHnRhCSIeHIWvXqn6FouLZAyX2dPA2tSbraJ7";
constexpr std::uint8_t kSignedData[] = "fuzz seed\n";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MinisignSignature parsed;
    if (ParseMinisignSignature({data, size}, parsed) == SignatureFault::None)
        (void)BindingTo(ParseTrustedComment(parsed.trustedComment), "main.zip", 0);
    MinisignVerifier verifier(kSeedKey, {data, size});
    verifier.Update(std::span(kSignedData, sizeof kSignedData - 1));
    if (verifier.Verify() != (verifier.Fault() == SignatureFault::None)) __builtin_trap();
    return 0;
}
