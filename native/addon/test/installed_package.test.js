'use strict';
// The two npm packages as `cmake --install` lays them out, required the way the main application
// requires them: each finds its native part in the prefix by itself.

const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { runNode } = require('./support');

// run_installed.sh points TARNWICK_ADDON into the fresh prefix's lib/.
const lib = path.dirname(process.env.TARNWICK_ADDON);
const prefix = path.dirname(lib);

test('@tarnwick/addon loads the module and names the library of its prefix, and the process ends by itself', async () => {
  const source = `
    const addon = require(${JSON.stringify(path.join(lib, 'node_modules', '@tarnwick', 'addon'))});
    addon.init(addon.nativeLibraryPath, () => {});
    addon.updateAccounts(JSON.stringify({ accounts: [{ id: 'a' }, { id: 'b' }] }));
    console.log(JSON.stringify({ modulePath: addon.modulePath, library: addon.nativeLibraryPath,
      functions: Object.keys(addon).filter((name) => typeof addon[name] === 'function').length }));
  `;
  const env = { TARNWICK_ADDON_PATH: '' };
  const result = await runNode(source, env);
  assert.equal(result.code, 0, result.stderr);
  assert.deepEqual(JSON.parse(result.stdout), {
    modulePath: path.join(lib, 'tarnwick_addon.node'),
    library: path.join(lib, 'libTarnwickNative.so'),
    functions: 15,
  });
});

test('@tarnwick/helper-client runs the prefix\'s tarnwick-helper', async () => {
  const source = `
    const { HelperClient } = require(${JSON.stringify(path.join(lib, 'node_modules', '@tarnwick', 'helper-client'))});
    (async () => {
      const helper = new HelperClient();
      await helper.start();
      const state = await helper.focusFilterGet();
      console.log(JSON.stringify({ helperPath: helper.helperPath, state, exit: await helper.stop() }));
    })();
  `;
  const result = await runNode(source, { TARNWICK_HELPER_PATH: '', DBUS_SESSION_BUS_ADDRESS: 'unix:path=/nonexistent' });
  assert.equal(result.code, 0, result.stderr);
  const report = JSON.parse(result.stdout);
  assert.equal(report.helperPath, path.join(prefix, 'bin', 'tarnwick-helper'));
  assert.equal(typeof report.state.isFilterActive, 'boolean');
  assert.deepEqual(report.exit, { code: 0, signal: null });
});
