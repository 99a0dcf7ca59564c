#pragma once

// GNOME's Do Not Disturb: the org.gnome.desktop.notifications "show-banners" key, false while it is
// on. Without the schema (another desktop) the source stays off. Changes arrive through GLib's main
// context, which Qt's event loop runs.

#include <memory>

#include "tarnwick/helper/donotdisturbsource.h"

namespace tarnwick {

class GSettingsDoNotDisturb final : public DoNotDisturbSource {
    Q_OBJECT
public:
    static constexpr const char* kSchema = "org.gnome.desktop.notifications";
    static constexpr const char* kKey = "show-banners";

    explicit GSettingsDoNotDisturb(QObject* parent = nullptr);
    ~GSettingsDoNotDisturb() override;

    bool active() const override { return m_active; }
    /// Whether the schema was found and is being watched.
    bool isWatching() const;

private:
    struct Private;
    void reread();

    std::unique_ptr<Private> d;
    bool m_active = false;
};

} // namespace tarnwick
