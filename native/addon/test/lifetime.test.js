'use strict';
// The addon's image outlives the environment that loaded it: the library keeps the action
// callback, so a worker that loads the addon and ends must leave every later action harmless.

const test = require('node:test');
const assert = require('node:assert/strict');
const { paths, runNode } = require('./support');

// The main thread never loads the addon itself, so nothing but the worker keeps its image.
const workerThenAction = (library, fire) => `
  const { Worker } = require('node:worker_threads');
  const host = require(${JSON.stringify(paths.testHost)});
  const worker = new Worker(\`
    const { parentPort } = require('node:worker_threads');
    const addon = require(${JSON.stringify(paths.addon)});
    addon.init(${JSON.stringify(library)}, (action) => parentPort.postMessage(action));
    parentPort.postMessage('ready');
  \`, { eval: true });
  const seen = [];
  // Ended once it has loaded the addon and bound the library (it may have ended by itself already).
  worker.on('message', (message) => { seen.push(message); if (message === 'ready') worker.terminate(); });
  worker.on('exit', (code) => {
    ${fire}
    // Give a stray delivery (or a crash) every chance to happen before reporting.
    setTimeout(() => { console.log(JSON.stringify({ code, seen })); host.endProcess(0); }, 200);
  });
`;

test('an action after the loading worker ended neither crashes nor reaches the ended worker', async () => {
  const result = await runNode(workerThenAction(paths.fakeNative,
    `host.fakeFire(${JSON.stringify(paths.fakeNative)}, 'newMessage', '', 3);`));
  assert.equal(result.code, 0, `the process died (signal or status ${result.code}): ${result.stderr}`);
  const report = JSON.parse(result.stdout.trim().split('\n').pop());
  assert.deepEqual(report.seen, ['ready']);
});

test('a worker that initialised twice and ended leaves the main thread free to load and init again', async () => {
  const source = `
    const { Worker } = require('node:worker_threads');
    const host = require(${JSON.stringify(paths.testHost)});
    const worker = new Worker(\`
      const { parentPort } = require('node:worker_threads');
      const addon = require(${JSON.stringify(paths.addon)});
      addon.init(${JSON.stringify(paths.fakeNative)}, () => {});
      addon.init(${JSON.stringify(paths.fakeNative)}, () => {});
      parentPort.postMessage('ready');
    \`, { eval: true });
    worker.on('message', () => worker.terminate());
    worker.on('exit', () => {
      // The channel keeps nothing alive; the process stays until the action has come.
      setInterval(() => {}, 1000);
      const addon = require(${JSON.stringify(paths.addon)});
      const seen = [];
      addon.init(${JSON.stringify(paths.fakeNative)}, (action, payload) => {
        seen.push(action + ':' + payload);
        console.log(JSON.stringify(seen));
        host.endProcess(0);
      });
      host.fakeFire(${JSON.stringify(paths.fakeNative)}, 'goBack', 'x');
    });
  `;
  const result = await runNode(source);
  assert.equal(result.code, 0, result.stderr);
  assert.deepEqual(JSON.parse(result.stdout.trim()), ['goBack:x']);
});
