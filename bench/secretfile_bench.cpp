// Sealed files on 1 MiB beside the cipher itself: "EvpAesGcm" is a bare OpenSSL EVP AES-256-GCM pass
// over the same bytes (what `openssl speed -evp aes-256-gcm` measures), the baseline of this machine
// and run. Seal and open should stay close to it: the format adds a header, a nonce and one copy.

#include <benchmark/benchmark.h>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include "tarnwick/extensionkit/secretfile.h"

using tarnwick::SecretFile;
using tarnwick::SymmetricKey;

namespace {

constexpr std::size_t kSize = std::size_t{1} << 20;

const std::string& payload()
{
    static const std::string bytes = [] {
        std::string s(kSize, '\0');
        RAND_bytes(reinterpret_cast<unsigned char*>(s.data()), static_cast<int>(s.size()));
        return s;
    }();
    return bytes;
}

void BM_EvpAesGcm(benchmark::State& state)
{
    const auto key = *SymmetricKey::random();
    unsigned char nonce[12] = {};
    unsigned char tag[16];
    std::string out(kSize, '\0');
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    for (auto _ : state) {
        int n = 0;
        EVP_EncryptInit_ex(ctx, EVP_aes_256_gcm(), nullptr, key.data(), nonce);
        EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &n,
                          reinterpret_cast<const unsigned char*>(payload().data()), static_cast<int>(kSize));
        EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + n, &n);
        EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, tag);
        benchmark::DoNotOptimize(out.data());
        ++nonce[0];
    }
    EVP_CIPHER_CTX_free(ctx);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
    state.SetLabel("baseline");
}
BENCHMARK(BM_EvpAesGcm)->Unit(benchmark::kMicrosecond);

void BM_SecretFileSeal(benchmark::State& state)
{
    const auto key = *SymmetricKey::random();
    for (auto _ : state) {
        auto sealed = SecretFile::seal(payload(), "widget-cache.json", key);
        benchmark::DoNotOptimize(sealed);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}
BENCHMARK(BM_SecretFileSeal)->Unit(benchmark::kMicrosecond);

void BM_SecretFileOpen(benchmark::State& state)
{
    const auto key = *SymmetricKey::random();
    const std::string sealed = *SecretFile::seal(payload(), "widget-cache.json", key);
    for (auto _ : state) {
        auto opened = SecretFile::open(sealed, "widget-cache.json", key);
        if (!opened) {
            state.SkipWithError("did not open");
            return;
        }
        benchmark::DoNotOptimize(opened);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}
BENCHMARK(BM_SecretFileOpen)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
