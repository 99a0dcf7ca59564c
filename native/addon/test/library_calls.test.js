'use strict';
// Script calls reaching the bound library: arguments as NUL-terminated UTF-8 copies, booleans,
// window handles, and string results handed over and released.

const test = require('node:test');
const assert = require('node:assert/strict');
const { paths, loadAddon, loadTestHost } = require('./support');

const addon = loadAddon();
const host = loadTestHost();

test.before(() => {
  addon.init(paths.fakeNative, () => {});
  host.fakeTakeCalls(paths.fakeNative);
});

test('each toolbar function calls its export once, in call order, with its arguments', () => {
  const accounts = JSON.stringify([{ id: 'a1', email: 'zoë@example.com', unread: 3 }]);
  addon.updateLabels('{"compose":"Écrire ✉"}');
  addon.updateAccounts(accounts);
  addon.setItemEnabled('reply', true);
  addon.setItemEnabled('reply', false);
  addon.setShareUrl('https://mail.example.com/mail/u/0/#inbox/1');
  addon.runCustomization();
  addon.reloadWidgets();
  addon.detach();
  addon.updateAccounts('');
  assert.deepEqual(host.fakeTakeCalls(paths.fakeNative), [
    'toolbar_update_labels("{"compose":"Écrire ✉"}")',
    `toolbar_update_accounts("${accounts}")`,
    'toolbar_set_item_enabled("reply", true)',
    'toolbar_set_item_enabled("reply", false)',
    'toolbar_set_share_url("https://mail.example.com/mail/u/0/#inbox/1")',
    'toolbar_run_customization()',
    'widgets_reload_all()',
    'toolbar_detach()',
    'toolbar_update_accounts("")',
  ]);
});

test('extra arguments are ignored and failed checks call nothing', () => {
  addon.updateAccounts('[]', 'extra', 3);
  assert.throws(() => addon.updateAccounts(42), TypeError);
  assert.throws(() => addon.setItemEnabled('reply', 'true'), TypeError);
  assert.throws(() => addon.setShareUrl(undefined), TypeError);
  assert.deepEqual(host.fakeTakeCalls(paths.fakeNative), ['toolbar_update_accounts("[]")']);
});

test('attach passes the address held in the first eight bytes of the handle', () => {
  const handle = Buffer.alloc(16, 0xff);
  handle.writeBigUInt64LE(0x7f00deadbeefn, 0);
  addon.attach(handle);
  assert.deepEqual(host.fakeTakeCalls(paths.fakeNative), ['toolbar_attach(0x7f00deadbeef)']);
  for (const bad of [Buffer.alloc(7), 'handle', 12345, null]) {
    assert.throws(() => addon.attach(bad), { constructor: TypeError, message: 'Expected (nativeWindowHandle: Buffer)' });
  }
  assert.deepEqual(host.fakeTakeCalls(paths.fakeNative), []);
});

test('string results become strings or null', () => {
  assert.equal(addon.groupContainerPath('TEAM.group.com.fenmoorlab.tarnwick'),
    '/fake/group-containers/TEAM.group.com.fenmoorlab.tarnwick');
  assert.equal(addon.groupContainerPath(5), null);
  assert.equal(addon.appGroupIdentifier(), null);
  assert.equal(addon.localCacheKey(), 'AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=');
  assert.deepEqual(host.fakeTakeCalls(paths.fakeNative), [
    'widgets_group_container_path("TEAM.group.com.fenmoorlab.tarnwick")',
    'widgets_app_group_identifier()',
    'localcache_key()',
  ]);
});
