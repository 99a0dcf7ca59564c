#include "tarnwick/native/readersafeenvironment.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include <unistd.h>

namespace tarnwick::native {
namespace {

// The newest array this file published. Each of its arrays holds, past its terminator, the one
// published before it: every retired array stays reachable, and leak checkers do not mistake them
// for leaks (arrays the C library made are its own to keep). Volatile: the stores are its purpose.
char** volatile g_newestPublished = nullptr;

bool isEntryOf(const char* entry, const char* name, std::size_t nameLength)
{
    return std::strncmp(entry, name, nameLength) == 0 && entry[nameLength] == '=';
}

// Publishes a copy of the environment without `name`, plus `added` when it is not null. The old
// array and its strings stay where they are: a reader may still be walking them.
void publishWithout(const char* name, char* added)
{
    const std::size_t nameLength = std::strlen(name);
    char** const current = __atomic_load_n(&environ, __ATOMIC_ACQUIRE);
    std::size_t count = 0;
    while (current && current[count])
        ++count;
    auto** fresh = static_cast<char**>(std::malloc((count + 3) * sizeof(char*)));
    if (!fresh)
        throw std::bad_alloc();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!isEntryOf(current[i], name, nameLength))
            fresh[kept++] = current[i];
    }
    if (added)
        fresh[kept++] = added;
    fresh[kept] = nullptr;
    fresh[kept + 1] = reinterpret_cast<char*>(g_newestPublished);
    g_newestPublished = fresh;
    __atomic_store_n(&environ, fresh, __ATOMIC_RELEASE);
}

} // namespace

void setEnvironmentVariableForReaders(const char* name, const char* value)
{
    const std::size_t nameLength = std::strlen(name);
    const std::size_t valueLength = std::strlen(value);
    auto* entry = static_cast<char*>(std::malloc(nameLength + valueLength + 2));
    if (!entry)
        throw std::bad_alloc();
    std::memcpy(entry, name, nameLength);
    entry[nameLength] = '=';
    std::memcpy(entry + nameLength + 1, value, valueLength + 1);
    publishWithout(name, entry);
}

void removeEnvironmentVariableForReaders(const char* name)
{
    const std::size_t nameLength = std::strlen(name);
    char** const current = __atomic_load_n(&environ, __ATOMIC_ACQUIRE);
    bool present = false;
    for (std::size_t i = 0; current && current[i] && !present; ++i)
        present = isEntryOf(current[i], name, nameLength);
    if (present)
        publishWithout(name, nullptr);
}

} // namespace tarnwick::native
