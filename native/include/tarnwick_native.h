/* libTarnwickNative: the C interface the Node addon resolves by name with dlsym.
 *
 * Strings passed in are borrowed for the call only (the library copies what it keeps). The three
 * functions returning char * hand over a new malloc'd string (free() it) or NULL when the value is
 * not available. Toolbar work is queued to the library's UI thread and applied there in call order;
 * the action callback is called on that thread with strings valid until it returns. */
#ifndef TARNWICK_NATIVE_H
#define TARNWICK_NATIVE_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*tarnwick_action_callback)(const char *action, const char *payload);

void toolbar_set_callback(void (*cb)(const char *action, const char *payload));
void toolbar_attach(void *view);
void toolbar_detach(void);
void toolbar_update_accounts(const char *json);
void toolbar_update_labels(const char *json);
void toolbar_run_customization(void);
void toolbar_set_item_enabled(const char *itemId, bool enabled);
void toolbar_set_share_url(const char *url);
void widgets_reload_all(void);
char *widgets_group_container_path(const char *appGroupId);
char *widgets_app_group_identifier(void);
char *localcache_key(void);

#ifdef __cplusplus
}
#endif

#endif
