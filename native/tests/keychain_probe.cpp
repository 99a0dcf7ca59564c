// Prints what libTarnwickNative's localcache_key returns in this process: the key text or "null".
// Opened by path like the addon does, so the scenario tests exercise the shipped library.
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: keychain_probe LIBRARY\n");
        return 2;
    }
    void* handle = ::dlopen(argv[1], RTLD_NOW);
    if (!handle) {
        std::fprintf(stderr, "%s\n", ::dlerror());
        return 2;
    }
    auto key = reinterpret_cast<char* (*)()>(::dlsym(handle, "localcache_key"));
    if (!key)
        return 2;
    char* text = key();
    std::printf("%s\n", text ? text : "null");
    std::free(text);
    return 0;
}
