'use strict';
// Actions raised by the library on a thread of its own reach the script callback on the script
// thread, in order, with their strings copied.

const test = require('node:test');
const assert = require('node:assert/strict');
const { paths, loadAddon, loadTestHost, waitFor, runNode } = require('./support');

const addon = loadAddon();
const host = loadTestHost();

test('one action arrives as one call with two strings and this undefined', async () => {
  const received = [];
  // The file is strict, so `this` is reported as given, not replaced by the global object.
  addon.init(paths.fakeNative, function (...args) {
    received.push({ self: this, args });
  });
  host.fakeFire(paths.fakeNative, 'newMessage', '');
  host.fakeFire(paths.fakeNative, 'switchAccount', 'acct-ü-1');
  // Delivery is queued: nothing runs inside the raising call.
  assert.equal(received.length, 0);
  await waitFor(() => received.length >= 2, 5000, 'two actions');
  assert.deepEqual(received, [
    { self: undefined, args: ['newMessage', ''] },
    { self: undefined, args: ['switchAccount', 'acct-ü-1'] },
  ]);
});

test('a burst keeps its order and loses nothing', async () => {
  const received = [];
  addon.init(paths.fakeNative, (action, payload) => received.push(`${action}:${payload}`));
  host.fakeFire(paths.fakeNative, 'search', 'q', 500);
  await waitFor(() => received.length >= 500, 10000, '500 actions');
  assert.deepEqual(received, Array.from({ length: 500 }, (_, i) => `search:q${i}`));
});

test('after a second init only the second callback receives actions', async () => {
  const first = [];
  const second = [];
  addon.init(paths.fakeNative, (action) => first.push(action));
  addon.init(paths.fakeNative, (action) => second.push(action));
  host.fakeFire(paths.fakeNative, 'archive', '');
  host.fakeFire(paths.fakeNative, 'goBack', '');
  await waitFor(() => second.length >= 2, 5000, 'actions on the second callback');
  assert.deepEqual(second, ['archive', 'goBack']);
  assert.deepEqual(first, []);
});

test('a callback that throws is reported as uncaught and the next action is still delivered', async () => {
  // Its own process: the uncaught exception must not reach this runner.
  const source = `
    const addon = require(${JSON.stringify(paths.addon)});
    const host = require(${JSON.stringify(paths.testHost)});
    const seen = [];
    setInterval(() => {}, 1000); // the channel keeps nothing alive; the script waits for its actions
    process.on('uncaughtException', (error) => seen.push('uncaught:' + error.message));
    addon.init(${JSON.stringify(paths.fakeNative)}, (action) => {
      seen.push(action);
      if (action === 'trash') throw new Error('boom');
      if (action === 'reply') { console.log(JSON.stringify(seen)); process.exit(0); }
    });
    host.fakeFire(${JSON.stringify(paths.fakeNative)}, 'trash', '');
    host.fakeFire(${JSON.stringify(paths.fakeNative)}, 'reply', '');
  `;
  const result = await runNode(source);
  assert.equal(result.code, 0, result.stderr);
  assert.deepEqual(JSON.parse(result.stdout), ['trash', 'uncaught:boom', 'reply']);
});

test('an action raised after the script\'s last statement arrives while the script keeps its loop running', async () => {
  // The channel itself keeps nothing alive (a script that is done ends, see exit.test.js); the main
  // application's loop runs anyway, here an interval stands in for it.
  const source = `
    const addon = require(${JSON.stringify(paths.addon)});
    const host = require(${JSON.stringify(paths.testHost)});
    const keepAlive = setInterval(() => {}, 1000);
    addon.init(${JSON.stringify(paths.fakeNative)}, (action, payload) => {
      console.log(action + '|' + payload);
      clearInterval(keepAlive);
    });
    setImmediate(() => setImmediate(() => host.fakeFire(${JSON.stringify(paths.fakeNative)}, 'forward', '')));
  `;
  const result = await runNode(source);
  assert.equal(result.code, 0, result.stderr);
  assert.equal(result.stdout, 'forward|\n');
});
