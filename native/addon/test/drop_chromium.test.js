'use strict';
// dropFiles onto a real Chromium window on the test's own X server, as the main application calls
// it: no Qt in this process, the window handle is Chromium's X11 window id in an 8-byte Buffer.
// The page records the drag events and the dropped files in its title.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { spawn, execFileSync } = require('node:child_process');
const { paths, waitFor, tempDir, runNode } = require('./support');
const { startChromium } = require('./chromium');

const page = path.join(__dirname, 'drop_page.html');

/// Starts Xvfb on a free display number it picks itself; resolves with {display, process}.
function startXvfb() {
  return new Promise((resolve, reject) => {
    const server = spawn('Xvfb', ['-displayfd', '3', '-noreset', '-screen', '0', '1024x768x24', '-nolisten', 'tcp'],
      { stdio: ['ignore', 'ignore', 'pipe', 'pipe'] });
    let number = '';
    server.on('error', reject);
    server.stdio[3].on('data', (chunk) => {
      number += chunk;
      if (number.includes('\n')) resolve({ display: `:${number.trim()}`, process: server });
    });
    server.on('exit', (code) => reject(new Error(`Xvfb ended with ${code}`)));
  });
}

function x11(display, program, args) {
  return execFileSync(program, args, { env: { ...process.env, DISPLAY: display }, encoding: 'utf8' }).trim();
}

/// The X11 id of the top-level window whose title matches `pattern`, once Chromium has mapped it.
function findWindow(display, pattern) {
  try {
    const ids = x11(display, 'xdotool', ['search', '--onlyvisible', '--name', pattern]).split('\n').filter(Boolean);
    return ids.length > 0 ? Number(ids[0]) : null;
  } catch {
    return null; // xdotool exits 1 while nothing matches
  }
}

/// What the page has recorded so far, or null before its first event.
function pageLog(display, window) {
  const title = x11(display, 'xdotool', ['getwindowname', String(window)]);
  return title.startsWith('drop-log ') ? JSON.parse(title.slice('drop-log '.length)) : null;
}

/// The X11 window id as getNativeWindowHandle() gives it on Linux: an unsigned long, host order.
function x11Handle(id) {
  const buffer = Buffer.alloc(8);
  if (require('node:os').endianness() === 'LE') buffer.writeBigUInt64LE(BigInt(id));
  else buffer.writeBigUInt64BE(BigInt(id));
  return buffer;
}

test('files dropped through the addon reach a Chromium page as a real file drop', async (t) => {
  const xvfb = await startXvfb();
  t.after(() => xvfb.process.kill());
  const profile = tempDir('tarnwick-drop-chromium-');
  const browser = startChromium({ display: xvfb.display, profile, url: `file://${page}`,
    extraArguments: ['--window-size=800,600', '--window-position=0,0'] });
  t.after(() => browser.stop());

  const window = await waitFor(() => findWindow(xvfb.display, '^drop-target$'), 60000,
    'the Chromium window').catch((error) => { throw new Error(`${error.message}; chromium: ${browser.errors()}`); });

  const files = tempDir('tarnwick-drop-files-');
  t.after(() => fs.rmSync(files, { recursive: true, force: true }));
  const file = (name, size) => {
    const full = path.join(files, name);
    fs.writeFileSync(full, Buffer.alloc(size, 0x61));
    return full;
  };
  const report = file('report 2026.pdf', 1234);
  const photo = file('photo-ü.png', 56);
  const third = file('third.txt', 7);
  const fourth = file('fourth.bin', 0);

  // The main application: this process, with the X server in its environment and no Qt.
  process.env.DISPLAY = xvfb.display;
  // The drop's steps, on standard error, for a failure's diagnosis.
  process.env.TARNWICK_ADDON_LOG_STDERR = '1';
  const addon = require(paths.addon);
  const handle = x11Handle(window);

  assert.equal(addon.dropFiles(handle, [report, photo]), undefined);
  const first = await waitFor(() => {
    const log = pageLog(xvfb.display, window);
    return log && log.drops.length >= 1 ? log : null;
  }, 20000, 'the first drop on the page').catch((e) => { console.error('TITLE', x11(xvfb.display, 'xdotool', ['getwindowname', String(window)])); throw e; });
  assert.deepEqual(first.drops, [['report 2026.pdf:1234', 'photo-ü.png:56']]);
  assert.ok(first.enter >= 1, 'the page saw dragenter');
  assert.ok(first.over >= 1, 'the page saw dragover');

  // Two drops in quick succession: each arrives, in order, with its own files.
  addon.dropFiles(handle, [third]);
  addon.dropFiles(handle, [fourth, report]);
  const later = await waitFor(() => {
    const log = pageLog(xvfb.display, window);
    return log && log.drops.length >= 3 ? log : null;
  }, 20000, 'two more drops on the page');
  assert.deepEqual(later.drops.slice(1), [['third.txt:7'], ['fourth.bin:0', 'report 2026.pdf:1234']]);
  assert.equal(later.enter, 3, 'one dragenter per drop');

  // A window id that exists on no display is refused as any unknown handle is.
  assert.throws(() => addon.dropFiles(x11Handle(0x1fffffff), [report]),
    { constructor: Error, message: 'No window found for handle' });
});

test('without an X11 display (pure Wayland) a foreign handle is refused with the reason logged', async () => {
  const source = `
    const addon = require(${JSON.stringify(paths.addon)});
    const handle = Buffer.alloc(8);
    handle.writeBigUInt64LE(0x400002n);
    try { addon.dropFiles(handle, ['/tmp/a.txt']); console.log('no error'); }
    catch (error) { console.log(error.constructor.name + ': ' + error.message); }
  `;
  const result = await runNode(source, { DISPLAY: '', WAYLAND_DISPLAY: 'wayland-0', TARNWICK_ADDON_LOG_STDERR: '1' });
  assert.equal(result.code, 0, result.stderr);
  assert.equal(result.stdout.trim(), 'Error: No window found for handle');
  assert.match(result.stderr, /^E\|NativeToolbar\|Window handle 0x400002 names no widget of this process, and no X11 display is reachable \(DISPLAY is not set\); foreign windows need X11 or XWayland$/m);
});
