'use strict';
// The sharing picker over a foreign X11 window (the main application's Chromium window; here the
// window of xev, another client on the test's own Xvfb): it opens at the pointer when the pointer
// is over the window, else 150 from the window's right edge and 10 from its top.

const test = require('node:test');
const assert = require('node:assert/strict');
const { spawn, execFileSync } = require('node:child_process');
const { paths, waitFor } = require('./support');

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
  });
}

test('the picker opens at the pointer over the foreign window, else near its top right', async (t) => {
  const xvfb = await startXvfb();
  t.after(() => xvfb.process.kill());
  const env = { ...process.env, DISPLAY: xvfb.display };
  // No window manager: the window sits exactly where it asks to, at (40, 30), 300 × 200.
  const other = spawn('xev', ['-geometry', '300x200+40+30', '-name', 'foreign-host'], { env, stdio: 'ignore' });
  t.after(() => other.kill());
  const xdotool = (...args) => execFileSync('xdotool', args, { env, encoding: 'utf8' }).trim();
  const window = await waitFor(() => {
    try { return Number(xdotool('search', '--onlyvisible', '--name', '^foreign-host$').split('\n')[0]); } catch { return null; }
  }, 20000, 'the foreign window');
  const handle = Buffer.alloc(8);
  handle.writeBigUInt64LE(BigInt(window));

  // The UI thread the addon shares with the library opens on the same display.
  process.env.DISPLAY = xvfb.display;
  process.env.QT_QPA_PLATFORM = 'xcb';
  const addon = require(paths.addon);
  const host = require(paths.testHost);
  const keepAlive = setInterval(() => {}, 1000);
  t.after(() => clearInterval(keepAlive));

  const openAt = async (pointer) => {
    xdotool('mousemove', String(pointer[0]), String(pointer[1]));
    let done = 0;
    addon.showSharingPicker(handle, ['https://example.org/a'], () => { done += 1; });
    const menu = await waitFor(() => host.popup(), 10000, 'the picker menu');
    assert.ok(host.dismissPopup());
    await waitFor(() => done === 1, 5000, 'the completion');
    return [menu.x, menu.y, menu.actions];
  };

  // xwininfo reports the outer corner; window coordinates start inside the border.
  const info = execFileSync('xwininfo', ['-id', String(window)], { env, encoding: 'utf8' });
  const field = (name) => Number(new RegExp(`${name}:\\s+(-?\\d+)`).exec(info)[1]);
  const border = field('Border width');
  const [left, top, width] = [field('Absolute upper-left X') + border, field('Absolute upper-left Y') + border, field('Width')];
  assert.equal(width, 300);

  const [x1, y1, actions] = await openAt([700, 600]);
  assert.deepEqual([x1, y1], [left + width - 150, top + 10]);
  assert.ok(actions.includes('Copy') && actions.includes('Open in Browser'), actions.join(','));
  const [x2, y2] = await openAt([100, 120]);
  assert.deepEqual([x2, y2], [100, 120]);
  host.endProcess(0);
});
