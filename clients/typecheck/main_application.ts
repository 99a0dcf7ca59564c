// The main application's use of the shipped types, checked by tsc: every addon function, every
// helper request and event. The @ts-expect-error lines must stay errors, so the types cannot
// quietly degrade to `any`.

import * as addon from '@tarnwick/addon';
import {
  HelperClient, HelperExitedError, HelperRequestError, FocusFilterState, Settings, TrayUpdateParams,
} from '@tarnwick/helper-client';

declare function layOutWebContentsBelow(pixels: number): void;
declare function openAccount(id: string): void;
declare const windowHandle: Uint8Array;

const library: string = addon.nativeLibraryPath ?? `${addon.modulePath}/../libTarnwickNative.so`;
addon.init(library, (action, payload) => {
  switch (action) {
  case 'toolbarHeight':
    layOutWebContentsBelow(Number(payload));
    break;
  case 'switchAccount':
    openAccount(payload);
    break;
  case 'newMessage': {
    const empty: '' = payload;
    void empty;
    break;
  }
  default:
    break;
  }
});
// @ts-expect-error an action the library never raises
addon.init(library, (action) => action === 'openInbox');
const labels: addon.ToolbarLabelsJson = { labels: { 'toolbar.search': 'Search', 'toolbar.account.unread': '{name}: {count}{shortcut}' } };
addon.updateLabels(JSON.stringify(labels));
const accounts: addon.ToolbarAccountsJson = {
  accounts: [{ id: 'work', name: 'Work', color: '#3366ff', unreadCount: 3 }, { id: 'home', needsAuth: true }],
  activeAccountId: 'work',
};
addon.updateAccounts(JSON.stringify(accounts));
addon.attach(windowHandle);
addon.setItemEnabled('reply', true);
// @ts-expect-error no such toolbar item
addon.setItemEnabled('replyToAll', true);
addon.setShareUrl('https://mail.example/thread/1');
addon.runCustomization();
addon.dropFiles(windowHandle, ['/tmp/a.pdf']);
const container: string | null = addon.groupContainerPath();
const named: string | null = addon.groupContainerPath('group.com.fenmoorlab.tarnwick');
const group: string | null = addon.appGroupIdentifier();
const key: string | null = addon.localCacheKey();
// @ts-expect-error may be null
const keyText: string = addon.localCacheKey();
addon.showSharingPicker(windowHandle, ['https://mail.example', 'text'], () => undefined);
addon.showSharingPicker(windowHandle, ['/tmp/a.pdf']);
addon.reloadWidgets();
const handled: boolean = addon.hasApplicationForUrl('mailto:someone@example.org');
addon.detach();
void [container, named, group, key, keyText, handled];

async function driveHelper(): Promise<void> {
  const helper = new HelperClient({ helperPath: '/usr/bin/tarnwick-helper', restart: { maxRestarts: 3 } });
  helper.on('focusFilter.changed', (state) => { const ids: string[] = state.activeAccountIds; void ids; });
  helper.on('tray.getMessages', ({ accountId }) => {
    void helper.trayMessages({ accountId, messages: [] });
  });
  helper.on('settings.changed', ({ key: changed, value }) => { void changed; void value; });
  helper.on('account.add', ({ name, color }) => { void name; void color; });
  helper.on('account.update', ({ accountId, browserProfile }) => { void accountId; void browserProfile; });
  helper.on('account.remove', ({ accountId }) => { void accountId; });
  helper.on('account.reorder', ({ accountIds }) => { void accountIds; });
  helper.on('account.signIn', ({ accountId }) => { void accountId; });
  helper.on('account.resetSession', ({ accountId }) => { void accountId; });
  helper.on('tray.popoverOpened', () => undefined);
  helper.on('tray.compose', ({ accountId }) => { const id: string | undefined = accountId; void id; });
  helper.on('tray.showAccount', ({ accountId }) => { void accountId; });
  helper.on('tray.showThread', ({ accountId, threadId }) => { void accountId; void threadId; });
  helper.on('tray.threadAction', ({ action }) => { const a: 'archive' | 'trash' | 'markRead' | 'markUnread' = action; void a; });
  helper.on('tray.search', ({ query, accountId }) => { void query; void accountId; });
  helper.on('tray.refresh', () => undefined);
  helper.on('tray.openSettings', () => { void helper.settingsShow({ pane: 'general' }); });
  helper.on('tray.quit', () => { void helper.stop(); });
  helper.on('notify.click', ({ accountId, messageId }) => { void accountId; void messageId; });
  helper.on('notify.action', ({ action, code }) => { void action; void code; });
  helper.once('app.quit', () => undefined);
  helper.on('log', ({ level, category, message }) => { void level; void category; void message; });
  helper.on('crash', ({ willRestart }) => { void willRestart; });
  helper.on('restart', ({ attempt, resent }) => { void attempt; void resent; });
  helper.on('exit', ({ code, signal }) => { void code; void signal; });
  // @ts-expect-error the helper sends no such event
  helper.on('tray.clicked', () => undefined);
  // @ts-expect-error focusFilter.changed carries the state, not a string
  helper.on('focusFilter.changed', (state: string) => { void state; });

  await helper.start();
  const settings: Settings = { theme: 'dark', notifications: { social: 'badge' }, dockBadgeMode: 'newArrivals' };
  await helper.settingsUpdate({ settings });
  // @ts-expect-error not a theme
  await helper.settingsUpdate({ settings: { theme: 'blue' } });
  await helper.settingsShow({ pane: 'accounts', settings, accounts: [{ id: 'work', name: 'Work' }] });
  await helper.accountsUpdate({ accounts: [{ id: 'work', name: 'Work', color: '#3366ff' }] });
  await helper.trayCreate();
  const tray: TrayUpdateParams = { totalUnread: 3, unreadDisplay: 'dots', verificationCode: null };
  await helper.trayUpdate(tray);
  await helper.trayVerificationCode({ code: '123456', messageId: 'm', threadId: 't', accountId: 'work' });
  await helper.trayVerificationCode(null);
  await helper.notifySetup();
  await helper.notifyDispatch({ accountId: 'work', messages: [{ id: 'm', threadId: 't', subject: 's', from: 'f', snippet: '', category: 'primary' }] });
  await helper.notifyClearAll();
  await helper.focusFilterSet({ activeAccountIds: ['work'] });
  const state: FocusFilterState = await helper.focusFilterGet();
  const ok: 'ok' = await helper.trayDestroy();
  try {
    await helper.request('mail.unknown');
  } catch (error) {
    if (error instanceof HelperRequestError) { const method: string = error.method; void method; }
    if (error instanceof HelperExitedError) { const signal: string | null = error.signal; void signal; }
  }
  const exit = await helper.stop();
  const code: number | null = exit.code;
  await helper.kill('SIGKILL');
  void [state, ok, code, helper.pid];
}
void driveHelper;
