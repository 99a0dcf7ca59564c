#pragma once

// Port: which application opens "mailto:" links, and making this product that application. The
// application is the installed product (its desktop entry com.fenmoorlab.tarnwick.desktop, found from
// the running executable's prefix), never the helper itself; a build-tree binary cannot claim.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tarnwick/platform/bundleidentity.h"
#include "tarnwick/rpc/mainqueue.h"

namespace tarnwick {

class DefaultHandler {
public:
    /// The URL schemes that can be claimed.
    enum class Target { mailto };
    static constexpr std::array<Target, 1> allTargets = {Target::mailto};
    static std::string_view rawValue(Target target);

    struct Current {
        std::string displayName;
        bool isThisProduct = false;
        friend bool operator==(const Current&, const Current&) = default;
    };
    /// Nothing on success, otherwise why the claim failed.
    using Completion = std::function<void(std::optional<std::string> error)>;

    /// The text a claim fails with when there is no installed product to register.
    static constexpr std::string_view kNotInstalled = "Tarnwick is not running from an app bundle";

    virtual ~DefaultHandler() = default;

    /// Whether the installed product can be located, and the desktop can register and start it.
    virtual bool canClaim() const = 0;
    /// Why an installed product cannot be claimed (its entry unknown to the desktop, its program
    /// missing, ...); nothing when it can, or when there is no installed product at all.
    virtual std::optional<std::string> claimProblem() const { return std::nullopt; }
    /// The application that opens `target` links now: its display name, and whether it is this
    /// product. Nothing when no application does. Asks the system afresh on every call.
    virtual std::optional<Current> current(Target target) const = 0;
    /// Makes this product the handler of `target`. `completion` runs on the main thread: at once when
    /// there is no installed product to register, otherwise as a later main-queue task.
    virtual void claim(Target target, Completion completion) = 0;

    /// The desktop's own answer (GIO), process-wide.
    static DefaultHandler& system();
};

/// DefaultHandler through GIO: the handler of x-scheme-handler/<scheme> as the desktop resolves it
/// (mimeapps.list and the desktop entries in the XDG data directories); claiming writes the user's
/// mimeapps.list.
class GioDefaultHandler final : public DefaultHandler {
public:
    using IdentityLookup = std::function<std::optional<BundleIdentity>()>;

    explicit GioDefaultHandler(MainQueue& mainQueue, IdentityLookup identity = &BundleIdentity::current);

    bool canClaim() const override;
    std::optional<std::string> claimProblem() const override;
    std::optional<Current> current(Target target) const override;
    void claim(Target target, Completion completion) override;

private:
    MainQueue& m_mainQueue;
    IdentityLookup m_identity;
};

} // namespace tarnwick
