#include "tarnwick/helper/settingsmodel.h"

namespace tarnwick {

namespace {

using Field = SettingsModel::Field;
using Kind = Value::Kind;

bool isPreference(Field field)
{
    return static_cast<int>(field) < SettingsModel::kPreferenceCount;
}

// The members of "notifications", in the order they are applied.
struct NotificationKey {
    std::string_view member;
    Field field;
};
constexpr NotificationKey kNotificationKeys[] = {
    {"primary", Field::notifPrimary},   {"updates", Field::notifUpdates}, {"promotions", Field::notifPromotions},
    {"social", Field::notifSocial},     {"forums", Field::notifForums},
};

} // namespace

const std::vector<SettingsModel::PreferenceInfo>& SettingsModel::preferences()
{
    static const std::vector<PreferenceInfo> table = {
        {Field::theme, Kind::String, "theme", "theme", Value("system")},
        {Field::pollIntervalSeconds, Kind::Integer, "pollIntervalSeconds", "pollIntervalSeconds", Value(60)},
        {Field::pollIntervalBatterySeconds, Kind::Integer, "pollIntervalBatterySeconds", "pollIntervalBatterySeconds",
         Value(180)},
        {Field::inactiveAccountSuspendMinutes, Kind::Integer, "inactiveAccountSuspendMinutes",
         "inactiveAccountSuspendMinutes", Value(5)},
        {Field::launchAtLogin, Kind::Bool, "launchAtLogin", "launchAtLogin", Value(false)},
        {Field::composeAccountPicker, Kind::String, "composeAccountPicker", "composeAccountPicker", Value("active")},
        {Field::openLinksIn, Kind::String, "openLinksIn", "openLinksIn", Value("system")},
        {Field::alwaysJoinInBrowser, Kind::Bool, "alwaysJoinInBrowser", "alwaysJoinInBrowser", Value(false)},
        {Field::quickComposeHotkey, Kind::String, "quickComposeHotkey", "quickComposeHotkey", Value("Alt+Command+C")},
        {Field::dockBadgeMode, Kind::String, "dockBadgeMode", "dockBadgeMode", Value("allUnread")},
        {Field::showMenuBarTray, Kind::Bool, "showMenuBarTray", "showMenuBarTray", Value(true)},
        {Field::menuBarUnreadDisplay, Kind::String, "menuBarUnreadDisplay", "menuBarUnreadDisplay", Value("numbers")},
        {Field::menuBarUnreadOnly, Kind::Bool, "menuBarUnreadOnly", "menuBarUnreadOnly", Value(false)},
        {Field::menuBarVerificationCodes, Kind::Bool, "menuBarVerificationCodes", "menuBarVerificationCodes",
         Value(true)},
        {Field::verificationCodeDurationMinutes, Kind::Integer, "verificationCodeDurationMinutes",
         "verificationCodeDurationMinutes", Value(15)},
        {Field::hidePromotionAds, Kind::Bool, "hidePromotionAds", "hidePromotionAds", Value(true)},
        {Field::hideSidebar, Kind::Bool, "hideSidebar", "hideSidebar", Value(false)},
        {Field::transparentBackground, Kind::Bool, "transparentBackground", "transparentBackground", Value(true)},
        // The levels arrive inside "notifications" (see update()); they have no key of their own there.
        {Field::notifPrimary, Kind::String, "", "notifications.primary", Value("loud")},
        {Field::notifUpdates, Kind::String, "", "notifications.updates", Value("silent")},
        {Field::notifPromotions, Kind::String, "", "notifications.promotions", Value("badge")},
        {Field::notifSocial, Kind::String, "", "notifications.social", Value("badge")},
        {Field::notifForums, Kind::String, "", "notifications.forums", Value("off")},
    };
    return table;
}

SettingsModel::SettingsModel(DefaultHandler& defaultHandler, QObject* parent)
    : QObject(parent)
    , m_defaultHandler(defaultHandler)
    , m_self(std::make_shared<SettingsModel*>(this))
{
    m_preferences.reserve(kPreferenceCount);
    for (const PreferenceInfo& info : preferences())
        m_preferences.push_back(info.defaultValue);
}

SettingsModel::~SettingsModel() = default;

SettingsModel& SettingsModel::shared()
{
    // Never destroyed: views and controllers may still reach it while the process exits.
    static SettingsModel* instance = new SettingsModel;
    return *instance;
}

const Value& SettingsModel::preference(Field field) const
{
    static const Value none;
    return isPreference(field) ? m_preferences[static_cast<std::size_t>(field)] : none;
}

void SettingsModel::store(Field field, Value value)
{
    Value& slot = m_preferences[static_cast<std::size_t>(field)];
    if (slot == value)
        return;
    slot = std::move(value);
    Q_EMIT fieldChanged(field);
}

bool SettingsModel::setPreference(Field field, Value value)
{
    if (!isPreference(field))
        return false;
    const PreferenceInfo& info = preferences()[static_cast<std::size_t>(field)];
    if (value.kind() != info.kind)
        return false;
    store(field, value);
    if (m_suppressEvents || !m_transport)
        return true;
    m_transport->sendEvent("settings.changed", Object{{"key", info.eventKey}, {"value", std::move(value)}});
    return true;
}

void SettingsModel::update(const Object& settings)
{
    // Values from the main application are never echoed back to it.
    struct Suppress {
        bool& flag;
        explicit Suppress(bool& f) : flag(f) { flag = true; }
        ~Suppress() { flag = false; }
    } suppress(m_suppressEvents);

    for (const PreferenceInfo& info : preferences()) {
        if (info.updateKey.empty())
            continue;
        if (const Value* value = params::member(settings, info.updateKey); value && value->kind() == info.kind)
            setPreference(info.field, *value);
    }
    // One level that is not a string spoils the whole object.
    if (const Value* notifications = params::member(settings, "notifications")) {
        if (auto levels = params::stringDictionary(*notifications)) {
            for (const NotificationKey& key : kNotificationKeys) {
                if (auto level = levels->find(std::string(key.member)); level != levels->end())
                    setPreference(key.field, Value(level->second));
            }
        }
    }
}

template <typename T>
void SettingsModel::assign(T& member, T value, Field field)
{
    if (member == value)
        return;
    member = std::move(value);
    Q_EMIT fieldChanged(field);
}

void SettingsModel::setFocusFilterStatus(std::string status)
{
    assign(m_focusFilterStatus, std::move(status), Field::focusFilterStatus);
}

void SettingsModel::setAccounts(std::vector<Object> accounts)
{
    assign(m_accounts, std::move(accounts), Field::accounts);
}

void SettingsModel::setBrowserProfiles(params::ProfileMap profiles)
{
    assign(m_browserProfiles, std::move(profiles), Field::browserProfiles);
}

void SettingsModel::setBrowsers(std::vector<Object> browsers)
{
    assign(m_browsers, std::move(browsers), Field::browsers);
}

void SettingsModel::setDefaultBrowser(Object browser)
{
    assign(m_defaultBrowser, std::move(browser), Field::defaultBrowser);
}

void SettingsModel::setAppVersion(std::string version)
{
    assign(m_appVersion, std::move(version), Field::appVersion);
}

void SettingsModel::refreshHandlers()
{
    assign(m_canClaimDefaults, m_defaultHandler.canClaim(), Field::canClaimDefaults);
    std::vector<HandlerRow> rows;
    for (DefaultHandler::Target target : DefaultHandler::allTargets) {
        HandlerRow row;
        row.target = target;
        row.label = "Email links (mailto:)";
        row.id = std::string(DefaultHandler::rawValue(target));
        row.claimProblem = m_defaultHandler.claimProblem().value_or("");
        if (auto current = m_defaultHandler.current(target)) {
            row.handler = std::move(current->displayName);
            row.isTarnwick = current->isThisProduct;
        }
        rows.push_back(std::move(row));
    }
    assign(m_handlerRows, std::move(rows), Field::handlerRows);
}

void SettingsModel::claimHandler(DefaultHandler::Target target)
{
    // Whatever the outcome, the rows then show what the system really did.
    m_defaultHandler.claim(target, [weak = std::weak_ptr<SettingsModel*>(m_self)](std::optional<std::string>) {
        if (auto self = weak.lock())
            (*self)->refreshHandlers();
    });
}

} // namespace tarnwick
