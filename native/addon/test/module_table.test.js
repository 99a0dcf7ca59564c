'use strict';
// The module before any library is bound: its function table, argument checks and the behaviour
// of every function while nothing is bound.

const test = require('node:test');
const assert = require('node:assert/strict');
const { loadAddon } = require('./support');

const addon = loadAddon();

test('exports the fifteen functions in registration order', () => {
  assert.deepEqual(Object.keys(addon), [
    'init', 'attach', 'detach', 'updateAccounts', 'updateLabels', 'runCustomization',
    'setItemEnabled', 'setShareUrl', 'dropFiles', 'groupContainerPath', 'appGroupIdentifier',
    'localCacheKey', 'showSharingPicker', 'reloadWidgets', 'hasApplicationForUrl',
  ]);
  for (const [name, fn] of Object.entries(addon)) {
    assert.equal(typeof fn, 'function', name);
    assert.equal(fn.name, name);
  }
});

test('argument checks raise the exact errors', () => {
  const handle = Buffer.alloc(8);
  const cases = [
    // [function, arguments, error type, message]
    ['init', [], TypeError, 'Expected (dylibPath: string, callback: function)'],
    ['init', ['/x.so'], TypeError, 'Expected (dylibPath: string, callback: function)'],
    ['init', [() => {}, '/x.so'], TypeError, 'Expected (dylibPath: string, callback: function)'],
    ['init', ['/x.so', 'not a function'], TypeError, 'Expected (dylibPath: string, callback: function)'],
    ['updateAccounts', [], TypeError, 'Expected (json: string)'],
    ['updateAccounts', [42], TypeError, 'Expected (json: string)'],
    ['updateLabels', [null], TypeError, 'Expected (json: string)'],
    ['updateLabels', [{}], TypeError, 'Expected (json: string)'],
    ['setItemEnabled', ['reply'], TypeError, 'Expected (itemId: string, enabled: boolean)'],
    ['setItemEnabled', ['reply', 'true'], TypeError, 'Expected (itemId: string, enabled: boolean)'],
    ['setItemEnabled', [true, 'reply'], TypeError, 'Expected (itemId: string, enabled: boolean)'],
    ['setItemEnabled', ['reply', 1], TypeError, 'Expected (itemId: string, enabled: boolean)'],
    ['setShareUrl', [], TypeError, 'Expected (url: string)'],
    ['setShareUrl', [new URL('https://example.com')], TypeError, 'Expected (url: string)'],
    ['hasApplicationForUrl', [], TypeError, 'Expected (url: string)'],
    ['hasApplicationForUrl', [42], TypeError, 'Expected (url: string)'],
    ['dropFiles', [], TypeError, 'Expected (nativeWindowHandle: Buffer, filePaths: string[])'],
    ['dropFiles', [handle], TypeError, 'Expected (nativeWindowHandle: Buffer, filePaths: string[])'],
    ['dropFiles', [handle, '/tmp/a'], TypeError, 'Expected (nativeWindowHandle: Buffer, filePaths: string[])'],
    ['dropFiles', ['handle', ['/tmp/a']], TypeError, 'Expected (nativeWindowHandle: Buffer, filePaths: string[])'],
    ['dropFiles', [Buffer.alloc(4), ['/tmp/a']], TypeError, 'Expected (nativeWindowHandle: Buffer, filePaths: string[])'],
    ['showSharingPicker', [], TypeError, 'Expected (nativeWindowHandle: Buffer, items: string[])'],
    ['showSharingPicker', [handle, 'https://example.com'], TypeError, 'Expected (nativeWindowHandle: Buffer, items: string[])'],
    ['showSharingPicker', [Buffer.alloc(7), []], TypeError, 'Expected (nativeWindowHandle: Buffer, items: string[])'],
    // attach reports the missing library before it looks at its argument.
    ['attach', [], Error, 'Toolbar not initialised'],
    ['attach', [handle], Error, 'Toolbar not initialised'],
  ];
  for (const [name, args, type, message] of cases) {
    assert.throws(() => addon[name](...args), (error) => {
      assert.equal(error.constructor, type, `${name}(${args.length} args) error type`);
      assert.equal(error.message, message, `${name}(${args.length} args) message`);
      return true;
    });
  }
});

test('unbound toolbar functions do nothing and return undefined; string queries return null', () => {
  assert.equal(addon.detach(), undefined);
  assert.equal(addon.updateAccounts('{"accounts":[]}'), undefined);
  assert.equal(addon.updateLabels('{}'), undefined);
  assert.equal(addon.runCustomization(), undefined);
  assert.equal(addon.setItemEnabled('reply', true), undefined);
  assert.equal(addon.setShareUrl('https://example.com'), undefined);
  assert.equal(addon.reloadWidgets(), undefined);
  assert.equal(addon.groupContainerPath('TEAM.group.com.fenmoorlab.tarnwick'), null);
  assert.equal(addon.groupContainerPath(5), null);
  assert.equal(addon.groupContainerPath(), null);
  assert.equal(addon.appGroupIdentifier(), null);
  assert.equal(addon.localCacheKey(), null);
});

test('a handle that names no window: dropFiles raises, the sharing picker completes at once', async () => {
  // No QApplication exists yet in this process, and none is started for a lookup that cannot match.
  assert.throws(() => addon.dropFiles(Buffer.alloc(8), ['/tmp/a']),
    { constructor: Error, message: 'No window found for handle' });
  let calls = 0;
  let returned = false;
  // The completion channel does not keep the runtime alive (the main application's does); the
  // test does until the callback has come.
  const keepAlive = setInterval(() => {}, 1000);
  const done = new Promise((resolve) => {
    addon.showSharingPicker(Buffer.alloc(8), ['https://example.com'], function (...args) {
      calls += 1;
      assert.equal(returned, true, 'the callback runs after the function returned');
      assert.deepEqual(args, []);
      resolve();
    });
    returned = true;
  });
  await done;
  clearInterval(keepAlive);
  assert.equal(calls, 1);
  assert.equal(addon.showSharingPicker(Buffer.alloc(8), ['x']), undefined, 'the callback is optional');
});
