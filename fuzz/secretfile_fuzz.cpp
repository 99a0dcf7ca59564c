// Sealed files: open() on arbitrary bytes under a fixed key, and read()'s header test and pass-through
// on the same bytes written to a file. Nothing but "unreadable" or a plaintext may come out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "tarnwick/extensionkit/secretfile.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const SymmetricKey key = *SymmetricKey::fromBytes(std::string(32, '\x5a'));
    static const std::string file = [] {
        std::string pattern = "/tmp/secretfile-fuzz-XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        ::close(fd);
        return pattern;
    }();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const auto opened = SecretFile::open(bytes, "widget-cache.json", key);
    if (opened && opened->size() + SecretFile::kOverhead != size)
        std::abort(); // a plaintext always has the sealed length minus the overhead

    // Round trip: what seal produces must open again.
    const auto sealed = SecretFile::seal(bytes, "accounts.json", key);
    if (!sealed || !SecretFile::open(*sealed, "accounts.json", key) || *SecretFile::open(*sealed, "accounts.json", key) != bytes)
        std::abort();

    FILE* out = std::fopen(file.c_str(), "wb");
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    const auto read = SecretFile::read(file, [] () -> Expected<SymmetricKey, SecretFileFailure> { return key; });
    if (read && read->has_value() && bytes.substr(0, 7) != SecretFile::header() && **read != bytes)
        std::abort(); // plain files come back unchanged
    return 0;
}
