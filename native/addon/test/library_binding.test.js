'use strict';
// Binding the native library by path: load failures, missing exports, the required four, and a
// binding that lasts (a later path is ignored). The tests run in order on one process's state.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { paths, loadAddon, loadTestHost, tempDir } = require('./support');

const addon = loadAddon();
const host = loadTestHost();

test('a path that cannot be loaded raises the loader message and binds nothing', () => {
  const cases = [
    ['/nonexistent/libTarnwickNative.so', /^Failed to load toolbar dylib: \/nonexistent\/libTarnwickNative\.so: cannot open shared object file: No such file or directory$/],
    [path.join(tempDir('tarnwick-addon-bad-'), 'junk.so'), /^Failed to load toolbar dylib: .*junk\.so: (file too short|invalid ELF header)$/],
    // The loader takes an empty path as the running program, which exports none of the names.
    ['', /^Missing symbols in toolbar dylib$/],
  ];
  fs.writeFileSync(cases[1][0], 'not a shared object');
  for (const [libraryPath, message] of cases) {
    assert.throws(() => addon.init(libraryPath, () => {}), (error) => {
      assert.equal(error.constructor, Error);
      assert.match(error.message, message);
      return true;
    }, libraryPath);
    assert.throws(() => addon.attach(Buffer.alloc(8)), { message: 'Toolbar not initialised' });
  }
});

test('a library without a required export is refused and closed again', () => {
  assert.throws(() => addon.init(paths.fakeNativeMissing, () => {}),
    { constructor: Error, message: 'Missing symbols in toolbar dylib' });
  assert.throws(() => addon.attach(Buffer.alloc(8)), { message: 'Toolbar not initialised' });
  // Nothing of it was called, and it is not kept open.
  assert.equal(host.fakeTakeCalls(paths.fakeNativeMissing), null);
});

test('the four required exports suffice; functions of absent exports do nothing', () => {
  assert.equal(addon.init(paths.fakeNativeRequired, () => {}), undefined);
  assert.deepEqual(host.fakeTakeCalls(paths.fakeNativeRequired), ['toolbar_set_callback(fn)']);

  assert.equal(addon.updateLabels('{"compose":"Compose"}'), undefined);
  assert.equal(addon.runCustomization(), undefined);
  assert.equal(addon.setItemEnabled('reply', false), undefined);
  assert.equal(addon.setShareUrl('https://mail.example.com/t/1'), undefined);
  assert.equal(addon.reloadWidgets(), undefined);
  assert.equal(addon.groupContainerPath('TEAM.group.com.fenmoorlab.tarnwick'), null);
  assert.equal(addon.appGroupIdentifier(), null);
  assert.equal(addon.localCacheKey(), null);

  addon.updateAccounts('[]');
  addon.attach(Buffer.from([0x10, 0x32, 0x54, 0x76, 0x98, 0xba, 0xdc, 0x0e]));
  addon.detach();
  assert.deepEqual(host.fakeTakeCalls(paths.fakeNativeRequired), [
    'toolbar_update_accounts("[]")',
    'toolbar_attach(0xedcba9876543210)',
    'toolbar_detach()',
  ]);
});

test('once bound, a later init keeps the library and only registers the callback again', () => {
  addon.init(paths.fakeNative, () => {});
  assert.deepEqual(host.fakeTakeCalls(paths.fakeNativeRequired), ['toolbar_set_callback(fn)']);
  assert.equal(host.fakeTakeCalls(paths.fakeNative), null, 'the other library was never opened');
  addon.init('/nonexistent/path.so', () => {});
  assert.deepEqual(host.fakeTakeCalls(paths.fakeNativeRequired), ['toolbar_set_callback(fn)']);
});
