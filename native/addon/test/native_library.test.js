'use strict';
// End to end with the real libTarnwickNative: the addon binds it by path, puts its toolbar on a
// main window in this process, and a click on the compose button comes back as one action.

const test = require('node:test');
const assert = require('node:assert/strict');
const { paths, loadAddon, loadTestHost, waitFor } = require('./support');

const addon = loadAddon();
const host = loadTestHost();

test('a toolbar click on the real library arrives as ("newMessage", "")', async () => {
  const received = [];
  addon.init(paths.nativeLibrary, (...args) => received.push(args));
  const handle = host.createMainWindow();
  try {
    addon.updateLabels(JSON.stringify({ 'toolbar.newMessage': 'Compose' }));
    addon.updateAccounts(JSON.stringify({ accounts: [{ id: 'a1', email: 'one@example.com', unread: 2 }] }));
    addon.attach(handle);
    await waitFor(() => host.clickInWindow(handle, 'compose'), 10000, 'the compose button');
    await waitFor(() => received.length >= 1, 5000, 'the action');
    assert.deepEqual(received, [['newMessage', '']]);
  } finally {
    addon.detach();
    host.destroyWindow(handle);
  }
});

test('queries of the real library answer with a string or null; no argument means the own group', () => {
  const identifier = addon.appGroupIdentifier();
  assert.ok(identifier === null || typeof identifier === 'string');
  assert.equal(addon.groupContainerPath(5), null);
  if (identifier === null) {
    assert.equal(addon.groupContainerPath(), null);
  } else {
    const own = addon.groupContainerPath();
    assert.ok(own.endsWith(`/group-containers/${identifier}`), own);
    assert.equal(own, addon.groupContainerPath(identifier));
  }
});
