#include "tarnwick/extensionkit/memorykeystore.h"

#include <utility>

namespace tarnwick {

KeyStore::Lookup MemoryKeyStore::copyMatching()
{
    if (beforeLookup)
        beforeLookup();
    std::lock_guard lock(mutex);
    ++lookups;
    if (lookupStatus != keystatus::kSuccess)
        return {lookupStatus, {}};
    if (!item)
        return {keystatus::kItemNotFound, {}};
    return {keystatus::kSuccess, *item};
}

std::int32_t MemoryKeyStore::add(std::string_view value)
{
    std::function<void(MemoryKeyStore&)> hook;
    {
        std::lock_guard lock(mutex);
        ++adds;
        hook = std::exchange(beforeAdd, nullptr);
    }
    if (hook)
        hook(*this);
    std::lock_guard lock(mutex);
    if (addStatus != keystatus::kSuccess)
        return addStatus;
    if (item)
        return keystatus::kDuplicateItem;
    item = std::string(value);
    return keystatus::kSuccess;
}

} // namespace tarnwick
