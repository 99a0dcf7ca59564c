'use strict';
// The sharing picker over a Qt window in this process: which targets it offers for which items,
// what each target does, where it opens, and the one call of the script's callback.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { loadAddon, loadTestHost, waitFor, installDesktopEntries, handleFor } = require('./support');

// A mail handler that writes the URI it was started with into a file.
const xdg = installDesktopEntries({});
const mailOutput = path.join(xdg, 'mail-handler-got');
const mailProbe = path.join(xdg, 'mail-probe.sh');
fs.writeFileSync(mailProbe, `#!/bin/sh\nprintf '%s' "$1" > "${mailOutput}.tmp" && mv "${mailOutput}.tmp" "${mailOutput}"\n`, { mode: 0o755 });
const applications = path.join(process.env.XDG_DATA_HOME, 'applications');
fs.writeFileSync(path.join(applications, 'tarnwick-test-mail.desktop'),
  `[Desktop Entry]\nType=Application\nName=Probe Mail\nExec=${mailProbe} %u\nMimeType=x-scheme-handler/mailto;\n`);
fs.writeFileSync(path.join(applications, 'mimeinfo.cache'),
  '[MIME Cache]\nx-scheme-handler/mailto=tarnwick-test-mail.desktop;\n');

const addon = loadAddon();
const host = loadTestHost();

// The window's content view is the handle; the window sits at (100, 100), 400 × 300.
const view = host.createWindow({ class: 'PlainView', name: 'content' }, [100, 100, 400, 300]);

// The completion channel does not keep the runtime alive; tests waiting for it do.
let keepAlive;
test.before(() => { keepAlive = setInterval(() => {}, 1000); });
test.after(() => { clearInterval(keepAlive); host.destroyWindow(view); });

/// Opens the picker and waits until its menu is up; returns the call counter.
async function openPicker(items) {
  const calls = { count: 0, args: [] };
  addon.showSharingPicker(view, items, (...args) => { calls.count += 1; calls.args.push(args); });
  calls.menu = await waitFor(() => host.popup(), 5000, 'the picker menu');
  return calls;
}

test('targets offered for links, files and text', async () => {
  const cases = [
    // [items, entries]
    [['https://example.com/a', '/tmp/report.pdf', 'hello'], ['Mail', 'Copy', 'Open in Browser']],
    [['hello'], ['Mail', 'Copy']],
    [['/tmp/report.pdf'], ['Mail', 'Copy']],
    [['http://example.com', 42, null], ['Mail', 'Copy', 'Open in Browser']],
  ];
  for (const [items, entries] of cases) {
    const calls = await openPicker(items);
    assert.deepEqual(calls.menu.actions, entries, JSON.stringify(items));
    assert.equal(host.dismissPopup(), true);
    await waitFor(() => calls.count === 1, 5000, 'the completion');
    assert.deepEqual(calls.args, [[]]);
  }
});

test('copying puts the links and files as URLs and every item as a line of text', async () => {
  const calls = await openPicker(['https://example.com/a?b=c', 'file:///tmp/x%20y.txt', '/tmp/with space.txt',
    'file://bad path', 'some text']);
  assert.equal(host.choosePopupAction('Copy'), true);
  await waitFor(() => calls.count === 1, 5000, 'the completion');
  assert.deepEqual(host.clipboard(), {
    text: 'https://example.com/a?b=c\n/tmp/x y.txt\n/tmp/with space.txt\nsome text',
    urls: ['https://example.com/a?b=c', 'file:///tmp/x y.txt', 'file:///tmp/with space.txt'],
  });
  assert.equal(host.popup(), null);
});

test('mail opens the mailto handler with the text in the body and files attached', async () => {
  const calls = await openPicker(['https://example.com/a', 'Hi & bye', '/tmp/report.pdf']);
  assert.equal(host.choosePopupAction('Mail'), true);
  await waitFor(() => calls.count === 1, 5000, 'the completion');
  const uri = await waitFor(() => fs.existsSync(mailOutput) && fs.readFileSync(mailOutput, 'utf8'), 10000,
    'the mail handler');
  assert.equal(uri, 'mailto:?body=https%3A%2F%2Fexample.com%2Fa%0AHi%20%26%20bye&attach=file%3A%2F%2F%2Ftmp%2Freport.pdf');
});

test('the menu opens at the pointer over the view, else near its top right corner', async () => {
  const [x, y] = host.globalOrigin(view);
  assert.deepEqual([x, y], [100, 100]);
  const cases = [
    // [pointer, expected menu corner]
    [[150, 160], [150, 160]],
    [[10, 10], [x + 400 - 150, y + 10]],
    [[x + 400, y + 300], [x + 400 - 150, y + 10]],
  ];
  for (const [pointer, corner] of cases) {
    host.setPointer(...pointer);
    const calls = await openPicker(['hello']);
    assert.deepEqual([calls.menu.x, calls.menu.y], corner, `pointer at ${pointer}`);
    host.dismissPopup();
    await waitFor(() => calls.count === 1, 5000, 'the completion');
  }
});

test('nothing to share or no window: no menu, the callback once, after returning', async () => {
  const missing = host.createWindow({ class: 'PlainView', name: 'gone' });
  host.destroyWindow(missing);
  const cases = [
    [view, []],
    [view, [1, 2, 3]],
    [view, ['file://bad path', 'http://no host/']],
    [handleFor(0), ['hello']],
    [missing, ['hello']],
  ];
  for (const [handle, items] of cases) {
    let count = 0;
    let returned = false;
    const done = new Promise((resolve) => {
      assert.equal(addon.showSharingPicker(handle, items, (...args) => {
        count += 1;
        assert.equal(returned, true);
        assert.deepEqual(args, []);
        resolve();
      }), undefined);
      returned = true;
    });
    await done;
    assert.equal(count, 1);
    assert.equal(host.popup(), null, JSON.stringify(items));
  }
});

test('without a callback the picker still opens and closes', async () => {
  addon.showSharingPicker(view, ['hello'], 'not a function');
  await waitFor(() => host.popup(), 5000, 'the picker menu');
  assert.equal(host.choosePopupAction('Copy'), true);
  assert.equal(host.clipboard().text, 'hello');
});
