'use strict';
// A script or a worker that called init ends by itself once it has nothing else to do: neither the
// action channel nor the library's UI thread keeps Node running. Each case runs in a child process
// that is killed (and the case failed) if it does not end on its own.

const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { spawn } = require('node:child_process');
const { paths } = require('./support');

const PACKAGE = path.join(__dirname, '..');

// Resolves with how the child ended; `killed` tells whether the deadline had to end it.
function runUntilExit(source, deadlineMs = 15000) {
  return new Promise((resolve) => {
    const child = spawn(process.execPath, ['-e', source], {
      env: { ...process.env, TARNWICK_ADDON_PATH: paths.addon },
      stdio: ['ignore', 'pipe', 'pipe'],
    });
    let stdout = '';
    let stderr = '';
    child.stdout.on('data', (chunk) => { stdout += chunk; });
    child.stderr.on('data', (chunk) => { stderr += chunk; });
    let killed = false;
    const timer = setTimeout(() => { killed = true; child.kill('SIGKILL'); }, deadlineMs);
    child.on('close', (code, signal) => {
      clearTimeout(timer);
      resolve({ code, signal, killed, stdout, stderr });
    });
  });
}

// What the main application does at start, and a call that starts the library's own UI thread.
const useToolbar = (library) => `
  const addon = require(${JSON.stringify(PACKAGE)});
  addon.init(${JSON.stringify(library)}, () => {});
  addon.updateLabels(JSON.stringify({ labels: { 'toolbar.search': 'Search' } }));
  addon.updateAccounts(JSON.stringify({ accounts: [{ id: 'a' }, { id: 'b' }], activeAccountId: 'a' }));
  addon.setItemEnabled('reply', true);
  addon.reloadWidgets();
  console.log('initialised');
`;

const inWorker = (source) => `
  const { Worker } = require('node:worker_threads');
  const worker = new Worker(${JSON.stringify(source)}, { eval: true });
  worker.on('exit', (code) => console.log('worker ended ' + code));
`;

const libraries = [['the fake library', paths.fakeNative]];
if (paths.nativeLibrary) libraries.push(['libTarnwickNative', paths.nativeLibrary]);

for (const [name, library] of libraries) {
  test(`with ${name}: plain node and a worker end by themselves after init`, async () => {
    const plain = await runUntilExit(useToolbar(library));
    assert.equal(plain.killed, false, `node had to be killed; stderr: ${plain.stderr}`);
    assert.equal(plain.code, 0, plain.stderr);
    assert.equal(plain.stdout, 'initialised\n');

    const worker = await runUntilExit(inWorker(useToolbar(library)));
    assert.equal(worker.killed, false, `node had to be killed; stderr: ${worker.stderr}`);
    assert.equal(worker.code, 0, worker.stderr);
    assert.equal(worker.stdout, 'initialised\nworker ended 0\n');
  });
}
