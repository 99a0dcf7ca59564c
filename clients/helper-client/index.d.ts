// Types of @tarnwick/helper-client: tarnwick-helper's requests, their answers and its events.
// Self-contained: no @types/node needed.

export type MailCategory = 'primary' | 'updates' | 'promotions' | 'social' | 'forums';
export type NotificationLevel = 'loud' | 'silent' | 'badge' | 'off';
export type UnreadDisplay = 'nothing' | 'dots' | 'numbers';
export type SettingsPane = 'general' | 'accounts' | 'appearance' | 'notifications' | 'advanced';

/**
 * The main application's preferences. The helper takes each member only with exactly this type (an
 * integer where it says integer) and never checks it against the values its window offers, which
 * are listed here; `(string & {})` keeps other strings allowed.
 */
export interface Settings {
  theme?: 'system' | 'light' | 'dark';
  /** Integer seconds: 30, 60, 120, 300, 900. */
  pollIntervalSeconds?: number;
  /** Integer seconds: 60, 120, 180, 300, 600, 900. */
  pollIntervalBatterySeconds?: number;
  /** Integer minutes, 0 = never: 1, 5, 10, 30, 60, 0. */
  inactiveAccountSuspendMinutes?: number;
  launchAtLogin?: boolean;
  composeAccountPicker?: 'active' | 'ask';
  /** "system" or a browser's `id` from `browsers`. */
  openLinksIn?: string;
  alwaysJoinInBrowser?: boolean;
  quickComposeHotkey?: 'off' | 'Alt+Command+C' | 'Control+Command+C' | 'Shift+Command+C' | 'Control+Alt+Command+C' | (string & {});
  dockBadgeMode?: 'allUnread' | 'newArrivals' | 'off';
  showMenuBarTray?: boolean;
  menuBarUnreadDisplay?: UnreadDisplay;
  menuBarUnreadOnly?: boolean;
  menuBarVerificationCodes?: boolean;
  /** Integer minutes: 5, 10, 15, 30. */
  verificationCodeDurationMinutes?: number;
  hidePromotionAds?: boolean;
  hideSidebar?: boolean;
  transparentBackground?: boolean;
  /** All values must be strings, or none is taken. */
  notifications?: Partial<Record<MailCategory, NotificationLevel>>;
}

/** An account as the preferences show it; other members are kept and ignored. */
export interface Account {
  id: string;
  name?: string;
  email?: string;
  /** "#RRGGBB" */
  color?: string;
  needsAuth?: boolean;
  browserProfile?: string;
  [member: string]: unknown;
}

export interface BrowserProfile {
  directory: string;
  email: string;
  name: string;
}

/** Browser id → its profiles. */
export type BrowserProfiles = Record<string, BrowserProfile[]>;

export interface Browser {
  id: string;
  name: string;
  /** The helper offers a browser when a desktop entry `<bundleId>.desktop` is installed. */
  bundleId: string;
}

export interface SettingsShowParams {
  /** Any letter case. */
  pane?: SettingsPane;
  settings?: Settings;
  accounts?: Account[];
  browserProfiles?: BrowserProfiles;
  browsers?: Browser[];
  defaultBrowser?: { id: string; name: string };
  appVersion?: string;
}

export interface SettingsUpdateParams {
  settings: Settings;
}

export interface AccountsUpdateParams {
  /** Replaces the list; leaving it out empties it. */
  accounts?: Account[];
  /** Left out: the profiles stay. */
  browserProfiles?: BrowserProfiles;
}

export interface TrayAccount {
  id: string;
  name: string;
  email: string;
  color: string;
  /** Integer. */
  unreadCount: number;
  needsAuth: boolean;
}

export interface VerificationCode {
  code: string;
  messageId: string;
  threadId: string;
  accountId: string;
  service?: string;
  subject?: string;
  from?: string;
  /** Milliseconds since the epoch. */
  receivedAt?: number;
}

/** Every member is optional: one left out keeps its earlier value (unlike accounts.update). */
export interface TrayUpdateParams {
  accounts?: TrayAccount[];
  /** Integer. */
  totalUnread?: number;
  isOffline?: boolean;
  isRestricted?: boolean;
  showUnreadOnly?: boolean;
  menuBarVerificationCodes?: boolean;
  unreadDisplay?: UnreadDisplay;
  /** Integer minutes. */
  verificationCodeDurationMinutes?: number;
  /** null clears the code card. */
  verificationCode?: VerificationCode | null;
}

export interface TrayMessage {
  id: string;
  threadId: string;
  subject: string;
  from: string;
  snippet: string;
  /** Milliseconds since the epoch, as a string. */
  internalDate: string;
  category: MailCategory;
  /** "UNREAD" marks the message unread. */
  labelIds: string[];
}

export interface TrayMessagesParams {
  accountId: string;
  messages: TrayMessage[];
}

export interface NotifyMessage {
  id: string;
  threadId: string;
  subject: string;
  from: string;
  snippet: string;
  category: MailCategory;
  verificationCode?: string;
}

export interface NotifyDispatchParams {
  accountId: string;
  /** One banner per message id not shown before. */
  messages: NotifyMessage[];
  /** Missing category: loud. */
  notifications?: Partial<Record<MailCategory, NotificationLevel>>;
}

export interface FocusFilterState {
  activeAccountIds: string[];
  disableExcludedAccounts: boolean;
  isFilterActive: boolean;
}

export interface FocusFilterSetParams {
  /** Missing: empty (every account active). */
  activeAccountIds?: string[];
  /** Missing: false. */
  disableExcludedAccounts?: boolean;
}

/** Every event tarnwick-helper sends, with its params. */
export interface HelperEvents {
  /** The helper was asked to terminate (SIGTERM, SIGINT, SIGHUP); always its last line. */
  'app.quit': undefined;
  /** A preference the user changed; `key` is a Settings member or "notifications.<category>", or "collectDiagnostics" (true). */
  'settings.changed': { key: string; value: string | number | boolean };
  /** Answer with accounts.update. */
  'account.add': { name: string; color: string };
  'account.update': { accountId: string; name: string; color: string; browserProfile?: string };
  /** Answer with accounts.update. */
  'account.remove': { accountId: string };
  'account.reorder': { accountIds: string[] };
  /** Answer with accounts.update. */
  'account.signIn': { accountId: string };
  /** Answer with accounts.update. */
  'account.resetSession': { accountId: string };
  /** The popover wants this account's messages: answer with trayMessages. */
  'tray.getMessages': { accountId: string };
  'tray.popoverOpened': undefined;
  'tray.compose': { accountId?: string };
  /** accountId "": just show the main window. */
  'tray.showAccount': { accountId: string };
  'tray.showThread': { accountId: string; threadId: string };
  'tray.threadAction': { accountId: string; threadId: string; action: 'archive' | 'trash' | 'markRead' | 'markUnread' };
  'tray.search': { query: string; accountId?: string };
  'tray.refresh': undefined;
  /** Answer with settingsShow. */
  'tray.openSettings': undefined;
  'tray.quit': undefined;
  /** messageId: the message's threadId, or its id without one. */
  'notify.click': { accountId: string; messageId: string };
  'notify.action': { accountId: string; messageId: string; action: 'archive' | 'markRead' | 'trash' | 'copyCode'; code?: string };
  /** Once right after start-up, and whenever the filter changes. */
  'focusFilter.changed': FocusFilterState;
}

export type HelperEventName = keyof HelperEvents;

export interface Exit {
  /** Exit status, or null when a signal ended it. */
  code: number | null;
  signal: string | null;
}

export interface LogRecord {
  /** "I", "W" or "E"; "" for a line that is no record. */
  level: '' | 'I' | 'W' | 'E';
  category: string;
  message: string;
  /** The whole line as the helper wrote it. */
  line: string;
}

/** The client's own events. */
export interface ClientEvents {
  /** One line of the helper's standard error. */
  log: LogRecord;
  /** The helper ended without being asked to (a signal, or a status other than 0). */
  crash: Exit & { willRestart: boolean };
  /** A new helper runs and has answered the re-sent state (`failed` of `resent` requests were refused). */
  restart: Exit & { attempt: number; resent: number; failed: number };
  /** The helper ended and will not be restarted; every unanswered request has been rejected. */
  exit: Exit & { error?: Error };
}

type AllEvents = HelperEvents & ClientEvents;
type Listener<E extends keyof AllEvents> = AllEvents[E] extends undefined ? () => void : (params: AllEvents[E]) => void;

export interface RestartPolicy {
  /** Restarts allowed within `windowMs`; 5 by default. */
  maxRestarts?: number;
  /** 60000 by default. */
  windowMs?: number;
  /** Wait before spawning again; 1000 by default. */
  delayMs?: number;
}

export interface HelperClientOptions {
  /** tarnwick-helper to run: by default $TARNWICK_HELPER_PATH, the installed prefix's bin/, then PATH. */
  helperPath?: string;
  /** The helper's environment; process.env by default. */
  env?: Record<string, string | undefined>;
  /**
   * Restart after a crash and re-send what was last sent: settings (with the user's changes from
   * settings.changed), accounts and browser profiles, the Focus filter, tray.create, tray.update,
   * the verification code, notify.setup. Off by default; `true` takes the defaults. Requests that
   * were unanswered at the crash are rejected, not re-sent; requests made meanwhile wait.
   */
  restart?: boolean | RestartPolicy;
}

/** The helper answered a request with an error ("Unknown method: …"). */
export class HelperRequestError extends Error {
  readonly method: string;
  readonly id: number;
}

/** The helper ended before answering. */
export class HelperExitedError extends Error {
  readonly method: string;
  readonly code: number | null;
  readonly signal: string | null;
}

export class HelperClient {
  constructor(options?: HelperClientOptions);

  /** Spawns the helper with pipes on all three streams; rejects when it cannot be started. */
  start(): Promise<void>;
  /** Closes its standard input: it answers what it has read, then exits with status 0 without an event. */
  stop(): Promise<Exit>;
  /** Sends a signal, SIGTERM by default (the helper writes app.quit and exits with 0). Never restarted. */
  kill(signal?: string): Promise<Exit>;
  /** The helper's process id while it runs. */
  readonly pid: number | undefined;

  /** Takes each present value, then opens the preferences (or brings them forward on `pane`). */
  settingsShow(params?: SettingsShowParams): Promise<'ok'>;
  /** Refreshes the preferences; never echoed as settings.changed. */
  settingsUpdate(params: SettingsUpdateParams): Promise<'ok'>;
  /** Replaces the preferences' account list. */
  accountsUpdate(params: AccountsUpdateParams): Promise<'ok'>;
  trayCreate(): Promise<'ok'>;
  trayDestroy(): Promise<'ok'>;
  trayUpdate(params: TrayUpdateParams): Promise<'ok'>;
  /** The answer to a tray.getMessages event. */
  trayMessages(params: TrayMessagesParams): Promise<'ok'>;
  /** Shows the code card; null (or an incomplete code) clears it. */
  trayVerificationCode(params: VerificationCode | null): Promise<'ok'>;
  /** Connects to the desktop's notification server (an installed helper only). */
  notifySetup(): Promise<'ok'>;
  notifyClearAll(): Promise<'ok'>;
  notifyDispatch(params: NotifyDispatchParams): Promise<'ok'>;
  /** Answered from a later main-loop turn, possibly after requests sent later. */
  focusFilterGet(): Promise<FocusFilterState>;
  /** Applies the filter (announced as focusFilter.changed); does not write focus-filter.json. */
  focusFilterSet(params: FocusFilterSetParams): Promise<'ok'>;
  /** Any method by name; rejects with HelperRequestError when the helper does not know it. */
  request(method: string, params?: object): Promise<unknown>;

  on<E extends keyof AllEvents>(event: E, listener: Listener<E>): this;
  once<E extends keyof AllEvents>(event: E, listener: Listener<E>): this;
  off<E extends keyof AllEvents>(event: E, listener: Listener<E>): this;
  removeAllListeners(event?: keyof AllEvents): this;
  listenerCount(event: keyof AllEvents): number;
}
