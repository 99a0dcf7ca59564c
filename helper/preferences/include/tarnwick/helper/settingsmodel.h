#pragma once

// The helper's in-memory mirror of the main application's preferences, behind the settings window.
// Values from the main application are applied silently; every change the user makes through a
// setter is reported with one "settings.changed" event once a transport is held. Main thread only.

#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/helper/defaulthandler.h"
#include "tarnwick/rpc/params.h"
#include "tarnwick/rpc/stdiotransport.h"

namespace tarnwick {

/// One row of the default-handler list.
struct HandlerRow {
    DefaultHandler::Target target = DefaultHandler::Target::mailto;
    std::string label;   ///< "Email links (mailto:)"
    std::string handler; ///< display name of the current handler; empty when none is known
    bool isTarnwick = false;
    std::string id;      ///< the target's raw value
    std::string claimProblem; ///< why the installed product cannot be claimed; empty when it can
    friend bool operator==(const HandlerRow&, const HandlerRow&) = default;
};

class SettingsModel : public QObject {
    Q_OBJECT
public:
    /// Every observable field. The preferences come first, in the order update() applies them.
    enum class Field {
        theme,
        pollIntervalSeconds,
        pollIntervalBatterySeconds,
        inactiveAccountSuspendMinutes,
        launchAtLogin,
        composeAccountPicker,
        openLinksIn,
        alwaysJoinInBrowser,
        quickComposeHotkey,
        dockBadgeMode,
        showMenuBarTray,
        menuBarUnreadDisplay,
        menuBarUnreadOnly,
        menuBarVerificationCodes,
        verificationCodeDurationMinutes,
        hidePromotionAds,
        hideSidebar,
        transparentBackground,
        notifPrimary,
        notifUpdates,
        notifPromotions,
        notifSocial,
        notifForums,
        // Display and account fields: never reported back.
        focusFilterStatus,
        accounts,
        browserProfiles,
        browsers,
        defaultBrowser,
        handlerRows,
        canClaimDefaults,
        appVersion,
    };
    Q_ENUM(Field)

    static constexpr int kPreferenceCount = static_cast<int>(Field::notifForums) + 1;

    /// What a preference holds and how it is named.
    struct PreferenceInfo {
        Field field;
        Value::Kind kind;            ///< String, Integer or Bool
        std::string_view updateKey;  ///< its key in the main application's settings object
        std::string_view eventKey;   ///< the "key" of its "settings.changed" event
        Value defaultValue;
    };
    /// The preferences in update order.
    static const std::vector<PreferenceInfo>& preferences();

    explicit SettingsModel(DefaultHandler& defaultHandler = DefaultHandler::system(), QObject* parent = nullptr);
    ~SettingsModel() override;

    /// The process-wide instance, never destroyed.
    static SettingsModel& shared();

    /// Applies the main application's settings object without sending events. Each key is applied
    /// only with exactly its kind; "notifications" only when every value in it is a string.
    void update(const Object& settings);

    /// Where "settings.changed" events go; set each time the settings window is shown.
    void setTransport(std::shared_ptr<StdioTransport> transport) { m_transport = std::move(transport); }
    const std::shared_ptr<StdioTransport>& transport() const { return m_transport; }
    bool suppressEvents() const { return m_suppressEvents; }

    /// A preference as a value of its kind.
    const Value& preference(Field field) const;
    /// Sets a preference as the user does: stores it, notifies, then reports it (every time, also
    /// when unchanged). Returns false, changing nothing, when `value` is not of the preference's kind
    /// or `field` is no preference.
    bool setPreference(Field field, Value value);

    // Typed access to the preferences.
    const std::string& theme() const { return str(Field::theme); }
    std::int64_t pollIntervalSeconds() const { return integer(Field::pollIntervalSeconds); }
    std::int64_t pollIntervalBatterySeconds() const { return integer(Field::pollIntervalBatterySeconds); }
    std::int64_t inactiveAccountSuspendMinutes() const { return integer(Field::inactiveAccountSuspendMinutes); }
    bool launchAtLogin() const { return boolean(Field::launchAtLogin); }
    const std::string& composeAccountPicker() const { return str(Field::composeAccountPicker); }
    const std::string& openLinksIn() const { return str(Field::openLinksIn); }
    bool alwaysJoinInBrowser() const { return boolean(Field::alwaysJoinInBrowser); }
    const std::string& quickComposeHotkey() const { return str(Field::quickComposeHotkey); }
    const std::string& dockBadgeMode() const { return str(Field::dockBadgeMode); }
    bool showMenuBarTray() const { return boolean(Field::showMenuBarTray); }
    const std::string& menuBarUnreadDisplay() const { return str(Field::menuBarUnreadDisplay); }
    bool menuBarUnreadOnly() const { return boolean(Field::menuBarUnreadOnly); }
    bool menuBarVerificationCodes() const { return boolean(Field::menuBarVerificationCodes); }
    std::int64_t verificationCodeDurationMinutes() const { return integer(Field::verificationCodeDurationMinutes); }
    bool hidePromotionAds() const { return boolean(Field::hidePromotionAds); }
    bool hideSidebar() const { return boolean(Field::hideSidebar); }
    bool transparentBackground() const { return boolean(Field::transparentBackground); }
    const std::string& notifPrimary() const { return str(Field::notifPrimary); }
    const std::string& notifUpdates() const { return str(Field::notifUpdates); }
    const std::string& notifPromotions() const { return str(Field::notifPromotions); }
    const std::string& notifSocial() const { return str(Field::notifSocial); }
    const std::string& notifForums() const { return str(Field::notifForums); }

    void setTheme(std::string v) { setPreference(Field::theme, Value(std::move(v))); }
    void setPollIntervalSeconds(std::int64_t v) { setPreference(Field::pollIntervalSeconds, Value(v)); }
    void setPollIntervalBatterySeconds(std::int64_t v) { setPreference(Field::pollIntervalBatterySeconds, Value(v)); }
    void setInactiveAccountSuspendMinutes(std::int64_t v) { setPreference(Field::inactiveAccountSuspendMinutes, Value(v)); }
    void setLaunchAtLogin(bool v) { setPreference(Field::launchAtLogin, Value(v)); }
    void setComposeAccountPicker(std::string v) { setPreference(Field::composeAccountPicker, Value(std::move(v))); }
    void setOpenLinksIn(std::string v) { setPreference(Field::openLinksIn, Value(std::move(v))); }
    void setAlwaysJoinInBrowser(bool v) { setPreference(Field::alwaysJoinInBrowser, Value(v)); }
    void setQuickComposeHotkey(std::string v) { setPreference(Field::quickComposeHotkey, Value(std::move(v))); }
    void setDockBadgeMode(std::string v) { setPreference(Field::dockBadgeMode, Value(std::move(v))); }
    void setShowMenuBarTray(bool v) { setPreference(Field::showMenuBarTray, Value(v)); }
    void setMenuBarUnreadDisplay(std::string v) { setPreference(Field::menuBarUnreadDisplay, Value(std::move(v))); }
    void setMenuBarUnreadOnly(bool v) { setPreference(Field::menuBarUnreadOnly, Value(v)); }
    void setMenuBarVerificationCodes(bool v) { setPreference(Field::menuBarVerificationCodes, Value(v)); }
    void setVerificationCodeDurationMinutes(std::int64_t v) { setPreference(Field::verificationCodeDurationMinutes, Value(v)); }
    void setHidePromotionAds(bool v) { setPreference(Field::hidePromotionAds, Value(v)); }
    void setHideSidebar(bool v) { setPreference(Field::hideSidebar, Value(v)); }
    void setTransparentBackground(bool v) { setPreference(Field::transparentBackground, Value(v)); }
    void setNotifPrimary(std::string v) { setPreference(Field::notifPrimary, Value(std::move(v))); }
    void setNotifUpdates(std::string v) { setPreference(Field::notifUpdates, Value(std::move(v))); }
    void setNotifPromotions(std::string v) { setPreference(Field::notifPromotions, Value(std::move(v))); }
    void setNotifSocial(std::string v) { setPreference(Field::notifSocial, Value(std::move(v))); }
    void setNotifForums(std::string v) { setPreference(Field::notifForums, Value(std::move(v))); }

    // Display and account fields: stored and notified, never reported back.
    const std::string& focusFilterStatus() const { return m_focusFilterStatus; }
    void setFocusFilterStatus(std::string status);
    const std::vector<Object>& accounts() const { return m_accounts; }
    void setAccounts(std::vector<Object> accounts);
    const params::ProfileMap& browserProfiles() const { return m_browserProfiles; }
    void setBrowserProfiles(params::ProfileMap profiles);
    const std::vector<Object>& browsers() const { return m_browsers; }
    void setBrowsers(std::vector<Object> browsers);
    const Object& defaultBrowser() const { return m_defaultBrowser; }
    void setDefaultBrowser(Object browser);
    const std::string& appVersion() const { return m_appVersion; }
    void setAppVersion(std::string version);
    const std::vector<HandlerRow>& handlerRows() const { return m_handlerRows; }
    bool canClaimDefaults() const { return m_canClaimDefaults; }

    /// Asks the system afresh who handles each target and whether this product can claim.
    void refreshHandlers();
    /// Makes this product the handler of `target`; refreshes the rows when the attempt ends.
    void claimHandler(DefaultHandler::Target target);

Q_SIGNALS:
    /// A field was assigned a different value.
    void fieldChanged(tarnwick::SettingsModel::Field field);

private:
    const std::string& str(Field field) const { return *preference(field).string(); }
    std::int64_t integer(Field field) const { return *preference(field).integer(); }
    bool boolean(Field field) const { return *preference(field).boolean(); }
    /// Stores without reporting; notifies when the value differs.
    void store(Field field, Value value);
    template <typename T>
    void assign(T& member, T value, Field field);

    DefaultHandler& m_defaultHandler;
    std::shared_ptr<StdioTransport> m_transport;
    bool m_suppressEvents = false;
    std::vector<Value> m_preferences;

    std::string m_focusFilterStatus = "Inactive (All accounts active)";
    std::vector<Object> m_accounts;
    params::ProfileMap m_browserProfiles;
    std::vector<Object> m_browsers;
    Object m_defaultBrowser;
    std::vector<HandlerRow> m_handlerRows;
    bool m_canClaimDefaults = false;
    std::string m_appVersion;
    /// Claim completions hold this weakly: a model that is gone is not refreshed.
    std::shared_ptr<SettingsModel*> m_self;
};

} // namespace tarnwick
