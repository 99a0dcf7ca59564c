// Types of @tarnwick/addon (tarnwick_addon.node): the native toolbar on the main window, the file drop,
// the sharing picker and the group container, for the Tarnwick main application.
//
// Self-contained on purpose: no @types/node needed. A Node.js Buffer is a Uint8Array, so the Buffer
// that BrowserWindow.getNativeWindowHandle() returns fits NativeWindowHandle as it is.

/**
 * A window handle: a Buffer of at least 8 bytes holding, in host byte order, either the X11 window id
 * of a Chromium window (what `win.getNativeWindowHandle()` returns on Linux) or the address of a live
 * QWidget of this process (a Qt host). Only a Buffer is accepted; anything else or anything shorter
 * throws the function's TypeError.
 */
export type NativeWindowHandle = Uint8Array;

/** Payload of each toolbar action, by action name. Every payload is a string, never null. */
export interface ToolbarActionPayloads {
  /** The `id` of the account whose segment the user chose. Confirm with `updateAccounts` and a new `activeAccountId`. */
  switchAccount: string;
  /** The search field's text, trimmed of spaces and tabs; never empty. */
  search: string;
  newMessage: '';
  archive: '';
  trash: '';
  toggleRead: '';
  reply: '';
  replyAll: '';
  forward: '';
  print: '';
  exportPdf: '';
  /** Mouse button 8 over the host window. */
  goBack: '';
  /** Mouse button 9 over the host window. */
  goForward: '';
  /**
   * Height of the toolbar strip in a Chromium host window, in X11 (device) pixels as a decimal
   * string; "0" when the strip went away (`detach`, or the host window closed).
   */
  toolbarHeight: string;
}

export type ToolbarAction = keyof ToolbarActionPayloads;

/** The callback's arguments: `action` narrows `payload`. */
export type ToolbarActionArguments = {
  [A in ToolbarAction]: [action: A, payload: ToolbarActionPayloads[A]];
}[ToolbarAction];

/** Called on the script thread, `this` undefined, once per action, in order. Its return value is ignored. */
export type ToolbarActionCallback = (...args: ToolbarActionArguments) => void;

/** One segment of the account switcher. A missing or wrongly typed field takes its default. */
export interface ToolbarAccount {
  /** Default "". Sent back as the payload of "switchAccount". */
  id?: string;
  /** Default "": the segment then shows the label "toolbar.account.unknown". */
  name?: string;
  /** Hex colour of the account's dot, "#a855f7" by default. */
  color?: string;
  /** Unread messages; an integer (anything else counts as 0). Shown as "99+" above 99. */
  unreadCount?: number;
  /** Dims the dot (the Focus filter silences the account). */
  excludedByFocus?: boolean;
  /** Disables the segment (the Focus filter blocks the account). */
  disabledByFocus?: boolean;
  /** Shows a warning sign instead of the dot, and the sign-in tooltip. */
  needsAuth?: boolean;
}

/**
 * The text given to `updateAccounts`, before JSON.stringify. Both members are optional: "accounts"
 * replaces the list (fewer than two accounts hide the switcher), "activeAccountId" selects a segment.
 */
export interface ToolbarAccountsJson {
  accounts?: ToolbarAccount[];
  activeAccountId?: string;
}

/** Every label key the toolbar reads; the library has no text of its own. */
export type ToolbarLabelKey =
  | 'toolbar.newMessage'
  | 'toolbar.archive'
  | 'toolbar.delete'
  | 'toolbar.toggleRead'
  | 'toolbar.manage'
  | 'toolbar.reply'
  | 'toolbar.replyAll'
  | 'toolbar.forward'
  | 'toolbar.search'
  | 'toolbar.print'
  | 'toolbar.print.toolTip'
  | 'toolbar.print.menuPrint'
  | 'toolbar.print.menuExport'
  | 'toolbar.share'
  | 'toolbar.share.toolTip'
  | 'toolbar.signInRequired'
  | 'toolbar.account.unknown'
  /** Placeholders {name}, {shortcut}. */
  | 'toolbar.account.noUnread'
  /** Placeholders {name}, {shortcut}. */
  | 'toolbar.account.oneUnread'
  /** Placeholders {name}, {count}, {shortcut}. */
  | 'toolbar.account.unread'
  /** Placeholders {name}, {shortcut}. */
  | 'toolbar.account.signInRequired';

/**
 * The text given to `updateLabels`, before JSON.stringify. Replaces the labels as a whole; one
 * non-string value rejects the whole object. Send it before `attach`: items take their texts when
 * they are created.
 */
export interface ToolbarLabelsJson {
  labels: Partial<Record<ToolbarLabelKey, string>>;
}

/**
 * Identifiers `setItemEnabled` knows. "reply", "replyAll", "forward", "replyGroup", "print" and
 * "share" start disabled; "toggleRead" is the read/unread entry of "manageGroup", "markRead" the
 * standalone button.
 */
export type ToolbarItemId =
  | 'accounts'
  | 'compose'
  | 'search'
  | 'archive'
  | 'trash'
  | 'markRead'
  | 'toggleRead'
  | 'manageGroup'
  | 'reply'
  | 'replyAll'
  | 'forward'
  | 'replyGroup'
  | 'print'
  | 'share';

/**
 * Opens libTarnwickNative at `libraryPath` (once per process; later calls keep the library and
 * ignore the path) and makes `callback` the receiver of every later toolbar action (an earlier
 * callback gets nothing more). The callback does not keep the process or worker alive.
 * @throws TypeError "Expected (dylibPath: string, callback: function)"
 * @throws Error "Failed to load toolbar dylib: <loader message>" (nothing bound; init may be retried)
 * @throws Error "Missing symbols in toolbar dylib"
 */
export function init(libraryPath: string, callback: ToolbarActionCallback): void;

/**
 * Puts the toolbar on the window: a strip along the top of a Chromium window (X11 or XWayland), or
 * a QToolBar on a Qt host's QMainWindow. A handle that names neither is ignored with a log line.
 * @throws Error "Toolbar not initialised" before a successful `init`
 * @throws TypeError "Expected (nativeWindowHandle: Buffer)"
 */
export function attach(nativeWindowHandle: NativeWindowHandle): void;

/** Removes the toolbar (the callback gets ("toolbarHeight", "0") in a Chromium host). Nothing before `init`. */
export function detach(): void;

/**
 * Replaces the account switcher's accounts and/or active account: `JSON.stringify(ToolbarAccountsJson)`.
 * Text that is not a JSON object is ignored with a log line. Nothing before `init`.
 * @throws TypeError "Expected (json: string)"
 */
export function updateAccounts(json: string): void;

/**
 * Replaces the toolbar's texts: `JSON.stringify(ToolbarLabelsJson)`. Anything else is ignored with a
 * log line. Nothing before `init`.
 * @throws TypeError "Expected (json: string)"
 */
export function updateLabels(json: string): void;

/** Opens the dialog in which the user arranges the toolbar's items (kept across runs). Nothing before `init` or `attach`. */
export function runCustomization(): void;

/**
 * Enables or disables an item; kept for items created later. An unknown id is logged. Nothing before `init`.
 * @throws TypeError "Expected (itemId: string, enabled: boolean)"
 */
export function setItemEnabled(itemId: ToolbarItemId, enabled: boolean): void;

/**
 * The link the share item offers; "" (or text that is not a URL) clears it. Nothing before `init`.
 * @throws TypeError "Expected (url: string)"
 */
export function setShareUrl(url: string): void;

/**
 * Drops the files onto the window's web contents as a file manager would (`drop` with
 * `dataTransfer.files`), asynchronously. Needs no `init`. Non-string elements are skipped; an empty
 * list does nothing.
 * @throws TypeError "Expected (nativeWindowHandle: Buffer, filePaths: string[])"
 * @throws Error "No window found for handle" (also on a pure Wayland session)
 */
export function dropFiles(nativeWindowHandle: NativeWindowHandle, filePaths: readonly string[]): void;

/**
 * Path of an application group's shared container (created owner-only), or null. Without an
 * argument: the container of the library's own group (`appGroupIdentifier()`). Null before `init`,
 * for a non-string argument, and in a build without a group.
 */
export function groupContainerPath(appGroupId?: string): string | null;

/** The application group the library was built for ("group.com.fenmoorlab.tarnwick" by default), or null (before `init`, or a build without a group). */
export function appGroupIdentifier(): string | null;

/**
 * The shared cache key: 32 bytes in standard Base64 (44 characters), created in the Secret Service
 * when missing. Null before `init`, or when the Secret Service is absent, locked or refuses.
 * Blocks while the keyring answers.
 */
export function localCacheKey(): string | null;

/**
 * Opens the share menu at the pointer over the window (else near its top right). Items: "http(s)://…"
 * and "file://…" links, absolute paths (as files), anything else as text; non-strings are skipped.
 * `callback` is called once, without arguments, when the menu is done, also at once (after this
 * returns) when there is no window or no usable item. Needs no `init`; does not keep the process alive.
 * @throws TypeError "Expected (nativeWindowHandle: Buffer, items: string[])"
 */
export function showSharingPicker(
  nativeWindowHandle: NativeWindowHandle,
  items: readonly string[],
  callback?: () => void,
): void;

/** Asks `tarnwick-widgets` to reload every widget (after writing widget-cache.json). Nothing before `init`. */
export function reloadWidgets(): void;

/**
 * Whether an installed application opens `url` (the desktop's handler for its scheme or file type).
 * False for text without a scheme. Needs no `init`.
 * @throws TypeError "Expected (url: string)"
 */
export function hasApplicationForUrl(url: string): boolean;

/** The tarnwick_addon.node this package loaded. */
export const modulePath: string;

/** libTarnwickNative.so found beside the module (installed or bundled) or in the build tree, else null: the path to give `init`. */
export const nativeLibraryPath: string | null;
