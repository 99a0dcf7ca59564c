#pragma once

#include <deque>

#include "tarnwick/helper/defaulthandler.h"

namespace tarnwick::test {

/// A desktop whose handler answers are fields; claims wait until the test settles them.
class FakeDefaultHandler final : public DefaultHandler {
public:
    bool claimable = false;
    std::optional<Current> handler;
    std::deque<Completion> pendingClaims;
    int queries = 0;

    bool canClaim() const override { return claimable; }
    std::optional<Current> current(Target) const override
    {
        ++const_cast<FakeDefaultHandler*>(this)->queries;
        return handler;
    }
    void claim(Target, Completion completion) override { pendingClaims.push_back(std::move(completion)); }

    /// The system answers the oldest claim.
    void finishClaim(std::optional<std::string> error = std::nullopt)
    {
        auto completion = std::move(pendingClaims.front());
        pendingClaims.pop_front();
        completion(std::move(error));
    }
};

} // namespace tarnwick::test
