'use strict';
// The main application on Linux, played by this script: a real Chromium window is the host's web
// window (on the test's own Xvfb), the real libTarnwickNative.so is loaded through the built
// tarnwick_addon.node, and the toolbar is attached with the Chromium window's X11 id as the
// 8-byte handle Buffer the main application's window reports.

const test = require('node:test');
const assert = require('node:assert');
const { spawn, spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { startChromium } = require('../addon/test/chromium');

const addonPath = process.env.TARNWICK_ADDON;
const libraryPath = process.env.TARNWICK_NATIVE_LIBRARY;

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

async function until(predicate, timeoutMs, what) {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const value = predicate();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
    await sleep(50);
  }
}

function startXvfb() {
  return new Promise((resolve, reject) => {
    const server = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1024x768x24', '-nolisten', 'tcp'], {
      stdio: ['ignore', 'ignore', 'ignore', 'pipe'],
    });
    let number = '';
    server.stdio[3].on('data', (chunk) => {
      number += chunk.toString();
      if (number.includes('\n')) resolve({ server, display: `:${number.trim()}` });
    });
    server.on('error', reject);
    server.on('exit', (code) => reject(new Error(`Xvfb exited with ${code}`)));
  });
}

function x11(program, args) {
  const result = spawnSync(program, args, { encoding: 'utf8', env: process.env });
  if (result.status !== 0) throw new Error(`${program} ${args.join(' ')}: ${result.stderr}`);
  return result.stdout;
}

// The windows xwininfo -children lists: id, width, height, x, y (relative to their parent).
function listedChildren(tree) {
  const found = [];
  for (const line of tree.split('\n')) {
    const m = line.match(/^\s+(0x[0-9a-f]+) .*?\s(\d+)x(\d+)\+(-?\d+)\+(-?\d+)\s/);
    if (m) found.push({ id: parseInt(m[1], 16), width: +m[2], height: +m[3], x: +m[4], y: +m[5] });
  }
  return found;
}

function children(window) {
  return listedChildren(x11('xwininfo', ['-children', '-id', String(window)]));
}

function topLevelWindows() {
  return listedChildren(x11('xwininfo', ['-root', '-children']));
}

// False also for a window that is gone (a closed pop-up may be destroyed).
function isViewable(window) {
  const r = spawnSync('xwininfo', ['-id', String(window)], { encoding: 'utf8', env: process.env });
  return r.status === 0 && /Map State: IsViewable/.test(r.stdout);
}

// A function that finds a top-level window mapped since it was made (a pop-up, a dialog).
function newTopLevelFinder(accept = () => true) {
  const before = new Set(topLevelWindows().filter((w) => isViewable(w.id)).map((w) => w.id));
  return () => topLevelWindows().find((w) => !before.has(w.id) && isViewable(w.id) && accept(w));
}

// The mean red and green of a region of the screen, 0..1.
function meanColour(png, width, height, x, y) {
  const out = x11('convert', [png, '-crop', `${width}x${height}+${x}+${y}`, '+repage', '-format', '%[fx:mean.r] %[fx:mean.g]', 'info:']);
  const [r, g] = out.trim().split(/\s+/).map(Number);
  return { r, g };
}

// at-spi2-core's bus launcher on the test's display: Qt's bridge in the library and the walker both
// find the accessibility bus through it, on the test's private session bus.
async function startAccessibilityBus(display) {
  const launcher = spawn('/usr/libexec/at-spi-bus-launcher', ['--launch-immediately'],
    { stdio: 'ignore', env: { ...process.env, DISPLAY: display } });
  await until(() => {
    const r = spawnSync('dbus-send', ['--session', '--print-reply', '--dest=org.freedesktop.DBus', '/',
      'org.freedesktop.DBus.NameHasOwner', 'string:org.a11y.Bus'], { encoding: 'utf8' });
    return r.status === 0 && /boolean true/.test(r.stdout);
  }, 10000, 'the accessibility bus');
  return launcher;
}

function handleFor(windowId) {
  const handle = Buffer.alloc(8);
  if (os.endianness() === 'LE') handle.writeBigUInt64LE(BigInt(windowId));
  else handle.writeBigUInt64BE(BigInt(windowId));
  return handle;
}

test('the toolbar lives in a strip inside a real Chromium window and its clicks, menus, customization and side buttons come back', async (t) => {
  assert.ok(addonPath && libraryPath, 'TARNWICK_ADDON and TARNWICK_NATIVE_LIBRARY come from CTest');
  const { server, display } = await startXvfb();
  t.after(() => server.kill('SIGTERM'));
  // The library starts its UI thread on the host's display when it is first used.
  process.env.DISPLAY = display;
  delete process.env.WAYLAND_DISPLAY;
  delete process.env.QT_QPA_PLATFORM;

  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-toolbar-e2e-'));
  const chromium = startChromium({ display, profile: path.join(work, 'profile'),
    url: `file://${path.join(__dirname, 'toolbar_page.html')}`,
    extraArguments: ['--window-position=0,0', '--window-size=900,600'] });
  t.after(async () => {
    await chromium.stop();
    fs.rmSync(work, { recursive: true, force: true });
  });

  const windowId = await until(() => {
    const r = spawnSync('xdotool', ['search', '--onlyvisible', '--name', 'Tarnwick toolbar host'], { encoding: 'utf8' });
    const ids = r.status === 0 ? r.stdout.trim().split('\n').filter(Boolean).map(Number) : [];
    return ids[0];
  }, 60000, 'the Chromium window').catch((error) => { throw new Error(`${error.message}; chromium: ${chromium.errors()}`); });
  await sleep(500); // let Chromium finish its first layout

  // A screen reader is listening: the library's accessibility bridge is on from its start.
  const accessibilityBus = await startAccessibilityBus(display);
  t.after(() => accessibilityBus.kill('SIGTERM'));
  process.env.QT_LINUX_ACCESSIBILITY_ALWAYS_ON = '1';

  // The user's arrangement puts the search field beside the account switcher. It lives in a
  // configuration home of this test's own, which the library reads when it first starts.
  process.env.XDG_CONFIG_HOME = path.join(work, 'config');
  const arrangement = path.join(process.env.XDG_CONFIG_HOME, 'fenmoorlab', 'tarnwick-toolbar.conf');
  fs.mkdirSync(path.dirname(arrangement), { recursive: true });
  fs.writeFileSync(arrangement, '[TarnwickToolbar]\nitems=accounts, search, flexibleSpace, compose, share, print\n');

  const actions = [];
  const addon = require(addonPath);
  addon.init(libraryPath, (action, payload) => actions.push([action, payload]));
  addon.updateLabels(JSON.stringify({ labels: {
    'toolbar.account.noUnread': '{name}: no unread mail{shortcut}', 'toolbar.newMessage': 'New Message',
    'toolbar.search': 'Search', 'toolbar.share': 'Share', 'toolbar.print': 'Print',
  } }));
  addon.updateAccounts(JSON.stringify({
    accounts: [{ id: 'a', name: 'Home' }, { id: 'b', name: 'Work' }], activeAccountId: 'a',
  }));
  addon.attach(handleFor(windowId));

  const heightAction = await until(() => actions.find(([a]) => a === 'toolbarHeight'), 20000, 'the strip height');
  const height = Number(heightAction[1]);
  assert.ok(height > 20 && height < 100, `a toolbar-sized strip, got ${height}`);
  const host = x11('xwininfo', ['-id', String(windowId)]);
  const hostWidth = Number(host.match(/Width: (\d+)/)[1]);
  const strip = await until(() => children(windowId).find((c) => c.height === height && isViewable(c.id)), 10000,
    'the strip among the Chromium window\'s children');
  assert.deepStrictEqual([strip.x, strip.y, strip.width], [0, 0, hostWidth], 'along the top, the full width');

  // On screen: the strip shows the toolbar (not the page's red), the page shows below it.
  await sleep(300);
  const shot = path.join(work, 'screen.png');
  x11('import', ['-display', display, '-window', 'root', shot]);
  const absolute = x11('xwininfo', ['-id', String(windowId)]);
  const left = Number(absolute.match(/Absolute upper-left X:\s+(-?\d+)/)[1]);
  const top = Number(absolute.match(/Absolute upper-left Y:\s+(-?\d+)/)[1]);
  const stripColour = meanColour(shot, hostWidth, height, left, top);
  const pageColour = meanColour(shot, hostWidth, 100, left, top + height + 50);
  assert.ok(pageColour.r > 0.9 && pageColour.g < 0.1, `the page below is red: ${JSON.stringify(pageColour)}`);
  assert.ok(stripColour.g > 0.3, `the strip is drawn over the page: ${JSON.stringify(stripColour)}`);

  // What a screen reader finds in the strip: every button named.
  const walk = spawnSync('/usr/bin/python3', [process.env.TARNWICK_ATSPI_WALKER, '--pid', String(process.pid),
    '--window', 'Tarnwick Toolbar'], { encoding: 'utf8', env: { ...process.env, DISPLAY: display }, timeout: 60000 });
  assert.strictEqual(walk.status, 0, `the strip on the accessibility bus:\n${walk.stdout}${walk.stderr}`);
  for (const name of ['Home', 'Work', 'New Message', 'Share', 'Print']) {
    assert.ok(walk.stdout.split('\n').some((line) => line.split('\t')[1]?.startsWith(name)), `"${name}" is read:\n${walk.stdout}`);
  }

  // The compose button is the first button right of the flexible space: walk the strip from its
  // middle to the right with real clicks until it answers.
  const y = top + Math.floor(height / 2);
  let x = left + Math.floor(hostWidth / 2);
  while (!actions.some(([a]) => a === 'newMessage') && x < left + hostWidth) {
    x11('xdotool', ['mousemove', String(x), String(y), 'click', '1']);
    await sleep(120);
    x += 6;
  }
  await sleep(500);
  assert.deepStrictEqual(actions.filter(([a]) => a === 'newMessage'), [['newMessage', '']]);
  const composeX = x;

  // The account switcher is at the left end: walk it with real clicks until the second account answers.
  x = left + 4;
  while (!actions.some(([a, p]) => a === 'switchAccount' && p === 'b') && x < left + hostWidth / 2) {
    x11('xdotool', ['mousemove', String(x), String(y), 'click', '1']);
    await sleep(120);
    x += 6;
  }
  assert.ok(actions.some(([a, p]) => a === 'switchAccount' && p === 'b'), `the Work segment answers: ${JSON.stringify(actions)}`);

  // Resting on the segment shows its tooltip, a window of its own below the pointer, although the
  // Chromium window keeps the keyboard.
  const newTip = newTopLevelFinder();
  x11('xdotool', ['mousemove', String(x - 2), String(y)]);
  x11('xdotool', ['mousemove', String(x), String(y)]);
  const tip = await until(newTip, 10000, 'the segment tooltip');
  assert.ok(tip.y > y && tip.height < 80, `the tooltip below the pointer: ${JSON.stringify(tip)}`);

  // Right of it the search field: a click gives it the keyboard (the Chromium window around it keeps
  // its own focus otherwise), typed text and Return search.
  while (!actions.some(([a]) => a === 'search') && x < left + hostWidth / 2) {
    x += 10;
    x11('xdotool', ['mousemove', String(x), String(y), 'click', '1']);
    await sleep(150);
    x11('xdotool', ['type', '--delay', '15', ' from:anna ']);
    x11('xdotool', ['key', 'Return']);
    await sleep(250);
  }
  assert.deepStrictEqual(actions.filter(([a]) => a === 'search'), [['search', 'from:anna']]);

  // The share button, right of compose, opens the share targets as a real pop-up menu over the
  // strip; its first entry, Copy Link, puts the link on the X11 clipboard.
  const link = 'https://mail.example.com/mail/u/0/#inbox/thread-1';
  addon.setShareUrl(link);
  addon.setItemEnabled('share', true); // the main application enables it once a thread is open
  await sleep(200);
  const newPopup = newTopLevelFinder();
  let menu;
  for (x = composeX; !menu && x < left + hostWidth; x += 6) {
    x11('xdotool', ['mousemove', String(x), String(y), 'click', '1']);
    await sleep(150);
    menu = newPopup();
  }
  assert.ok(menu, `a pop-up menu opened from the strip: ${JSON.stringify(actions)}; top-level windows: ${JSON.stringify(topLevelWindows())}`);
  assert.ok(menu.y > y && menu.y <= top + height + 40 && Math.abs(menu.x - x) < 400,
    `the menu opens below its button: ${JSON.stringify(menu)}, button at ${x},${y}`);
  x11('xdotool', ['key', 'Down', 'Return']);
  await until(() => !isViewable(menu.id), 10000, 'the menu to close');
  const copied = await until(() => {
    const r = spawnSync('xclip', ['-o', '-selection', 'clipboard'], { encoding: 'utf8', env: process.env, timeout: 5000 });
    return r.status === 0 && r.stdout;
  }, 10000, 'the link on the clipboard');
  assert.strictEqual(copied, link);

  // Customization: the palette opens as a window of its own; the last of the toolbar's items (Print)
  // is unticked with the real keyboard, OK saves the arrangement without it.
  const newPalette = newTopLevelFinder((w) => w.width > 100 && w.height > 100);
  addon.runCustomization();
  const palette = await until(newPalette, 10000, 'the customization palette');
  x11('xdotool', ['windowfocus', '--sync', String(palette.id)]);
  x11('xdotool', ['key', '--delay', '60', 'Home', 'Down', 'Down', 'Down', 'Down', 'Down', 'space', 'Return']);
  await until(() => !isViewable(palette.id), 10000, 'the palette to close');
  await until(() => /^items=accounts, search, flexibleSpace, compose, share$/m.test(fs.readFileSync(arrangement, 'utf8')),
    10000, 'the arrangement without Print');

  // The back button over the web content.
  x11('xdotool', ['mousemove', String(left + 300), String(top + height + 200), 'click', '8']);
  await until(() => actions.some(([a]) => a === 'goBack'), 10000, 'goBack');
  assert.deepStrictEqual(actions.filter(([a]) => a === 'goBack'), [['goBack', '']]);

  addon.detach();
  await until(() => !children(windowId).some((c) => c.id === strip.id), 10000, 'the strip to go away');
  await until(() => actions.some(([a, p]) => a === 'toolbarHeight' && p === '0'), 10000, 'the height to drop to 0');
  assert.deepStrictEqual(actions.filter(([a]) => a === 'toolbarHeight'), [['toolbarHeight', String(height)], ['toolbarHeight', '0']]);
});
