#include "tarnwick/helper/gsettingsdonotdisturb.h"

#include <gio/gio.h>

#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {

struct GSettingsDoNotDisturb::Private {
    GSettings* settings = nullptr;
    gulong handler = 0;
};

GSettingsDoNotDisturb::GSettingsDoNotDisturb(QObject* parent)
    : DoNotDisturbSource(parent)
    , d(std::make_unique<Private>())
{
    // g_settings_new() aborts the process on an unknown schema: look it up first.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, kSchema, TRUE) : nullptr;
    if (!schema)
        return;
    if (g_settings_schema_has_key(schema, kKey)) {
        d->settings = g_settings_new_full(schema, nullptr, nullptr);
        d->handler = g_signal_connect_swapped(
            d->settings, "changed::show-banners",
            G_CALLBACK(+[](GSettingsDoNotDisturb* self) { self->reread(); }), this);
        m_active = !g_settings_get_boolean(d->settings, kKey);
    }
    g_settings_schema_unref(schema);
}

GSettingsDoNotDisturb::~GSettingsDoNotDisturb()
{
    if (d->settings) {
        g_signal_handler_disconnect(d->settings, d->handler);
        g_object_unref(d->settings);
    }
}

bool GSettingsDoNotDisturb::isWatching() const
{
    return d->settings != nullptr;
}

void GSettingsDoNotDisturb::reread()
{
    const bool active = !g_settings_get_boolean(d->settings, kKey);
    if (active == m_active)
        return;
    m_active = active;
    Q_EMIT changed();
}

} // namespace tarnwick
