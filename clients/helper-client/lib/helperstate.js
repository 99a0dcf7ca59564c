'use strict';
// What the main application has told the helper so far, kept so that a restarted helper can be
// brought back to the same state with a few requests. Each request is folded in the way the helper
// applies it: settings and tray.update keep what a later message leaves out, accounts.update
// replaces the list, the Focus filter and the verification code are replaced whole.

const isObject = (value) => value !== null && typeof value === 'object' && !Array.isArray(value);

class HelperState {
  constructor() {
    this.settings = {};
    this.accounts = null; // null: never sent
    this.browserProfiles = null;
    this.tray = false;
    this.trayUpdate = null;
    this.verificationCode = undefined; // undefined: never sent; null: cleared
    this.notifications = false;
    this.focusFilter = null;
  }

  sent(method, params) {
    const p = isObject(params) ? params : {};
    switch (method) {
    case 'settings.show':
    case 'settings.update':
      if (isObject(p.settings)) this.mergeSettings(p.settings);
      if (method === 'settings.show') {
        if (Array.isArray(p.accounts)) this.accounts = p.accounts;
        if (isObject(p.browserProfiles)) this.browserProfiles = p.browserProfiles;
      }
      break;
    case 'accounts.update':
      // A missing or ill-shaped list empties the helper's.
      this.accounts = Array.isArray(p.accounts) ? p.accounts : [];
      if (isObject(p.browserProfiles)) this.browserProfiles = p.browserProfiles;
      break;
    case 'tray.create':
      this.tray = true;
      break;
    case 'tray.destroy':
      this.tray = false;
      break;
    case 'tray.update':
      this.trayUpdate = { ...this.trayUpdate, ...p };
      // The code travels in either request; whichever came last holds.
      if ('verificationCode' in p) this.verificationCode = undefined;
      break;
    case 'tray.verificationCode':
      this.verificationCode = isObject(params) ? params : null;
      break;
    case 'notify.setup':
      this.notifications = true;
      break;
    case 'focusFilter.set':
      this.focusFilter = p;
      break;
    default:
      break;
    }
  }

  /** A settings.changed event: the user's choice is the helper's state now. */
  userChanged(params) {
    if (!isObject(params) || typeof params.key !== 'string' || params.key === 'collectDiagnostics') return;
    const [key, category] = params.key.split('.');
    if (key === 'notifications' && category) this.mergeSettings({ notifications: { [category]: params.value } });
    else this.mergeSettings({ [key]: params.value });
  }

  mergeSettings(settings) {
    const merged = { ...this.settings, ...settings };
    if (isObject(settings.notifications) && isObject(this.settings.notifications)) {
      merged.notifications = { ...this.settings.notifications, ...settings.notifications };
    }
    this.settings = merged;
  }

  /** The requests that rebuild this state in a fresh helper, in the order to send them. */
  requests() {
    const list = [];
    if (Object.keys(this.settings).length > 0) list.push(['settings.update', { settings: this.settings }]);
    if (this.accounts !== null || this.browserProfiles !== null) {
      const params = { accounts: this.accounts || [] };
      if (this.browserProfiles !== null) params.browserProfiles = this.browserProfiles;
      list.push(['accounts.update', params]);
    }
    if (this.focusFilter !== null) list.push(['focusFilter.set', this.focusFilter]);
    if (this.tray) list.push(['tray.create', undefined]);
    if (this.trayUpdate !== null) list.push(['tray.update', this.trayUpdate]);
    if (this.verificationCode !== undefined) list.push(['tray.verificationCode', this.verificationCode || undefined]);
    if (this.notifications) list.push(['notify.setup', undefined]);
    return list;
  }
}

module.exports = { HelperState };
