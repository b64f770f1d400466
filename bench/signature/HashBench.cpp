// BLAKE2b-512 (the hash a prehashed minisign signature covers) of a buffer
// in memory, in 1 MiB updates, with libsodium's portable code and with the
// code sodium_init() picks for this processor: the hash alone, without a
// download. Built for Windows (run under Wine) and natively, so that the two
// can be put side by side (run.sh).
//   hash_bench [MIB]
#include <sodium.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double MegabytesPerSecond(const std::vector<unsigned char>& data, int rounds) {
    constexpr std::size_t kUpdate = 1 << 20;
    unsigned char hash[crypto_generichash_BYTES_MAX];
    double best = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        crypto_generichash_state state;
        crypto_generichash_init(&state, nullptr, 0, sizeof hash);
        for (std::size_t at = 0; at < data.size(); at += kUpdate)
            crypto_generichash_update(&state, data.data() + at, std::min(kUpdate, data.size() - at));
        crypto_generichash_final(&state, hash, sizeof hash);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::max(best, data.size() / seconds / 1e6);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    std::vector<unsigned char> data(mib << 20);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i * 131 + (i >> 12));
    // Until sodium_init() has run, libsodium hashes with its portable code.
    const double portable = MegabytesPerSecond(data, 3);
    if (sodium_init() < 0) return 1;
    const double picked = MegabytesPerSecond(data, 3);
    std::printf("%zu MiB: portable %.0f MB/s, picked by sodium_init %.0f MB/s (ssse3 %d, sse4.1 %d, avx2 %d; %d-bit)\n",
                mib, portable, picked, sodium_runtime_has_ssse3(), sodium_runtime_has_sse41(),
                sodium_runtime_has_avx2(), static_cast<int>(sizeof(void*) * 8));
    return 0;
}
