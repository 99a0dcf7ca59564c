#pragma once

#include "tarnwick/extensionkit/keystore.h"

namespace tarnwick {

/// The key item in the Secret Service (GNOME Keyring, KWallet) through libsecret, in the default
/// collection, as a binary secret. The Secret Service lets any number of items share attributes, so
/// add() holds a per-user lock file (in $XDG_RUNTIME_DIR) across its existence check and the store:
/// of processes racing to create the key, exactly one adds it and the others see a duplicate. When
/// several items match anyway (made by other tools), copyMatching() takes the oldest, so every
/// process still agrees. Calls block on the bus; any thread may call.
class SecretServiceKeyStore final : public KeyStore {
public:
    Lookup copyMatching() override;
    std::int32_t add(std::string_view value) override;

    static SecretServiceKeyStore& shared();
};

} // namespace tarnwick
