#pragma once

#include <optional>
#include <string>

#include "tarnwick/rpc/value.h"

namespace tarnwick {

/// A one-time code found in a recent message, shown on the tray's code card while it is fresh.
struct TrayVerificationCode {
    std::string code;
    std::optional<std::string> service;
    std::string subject;
    std::string from;
    std::string messageId;
    std::string threadId;
    std::string accountId;
    double receivedAt = 0; ///< seconds since 1970-01-01 UTC, with fractions

    /// Nothing unless "code" is a non-empty string and "messageId", "threadId" and "accountId" are
    /// strings. "receivedAt" is milliseconds (a double or an integer); without it, `now` is used.
    static std::optional<TrayVerificationCode> fromParams(const Object& object, double now);

    friend bool operator==(const TrayVerificationCode&, const TrayVerificationCode&) = default;
};

} // namespace tarnwick
