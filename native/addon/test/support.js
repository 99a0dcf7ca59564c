'use strict';
// Shared by the addon's test files: the built modules (paths from the environment CTest sets),
// waiting on a condition with a deadline, and a child Node process for the cases that need a
// process of their own.

const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

function requiredPath(name) {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set; run the tests through CTest`);
  return value;
}

const paths = {
  addon: requiredPath('TARNWICK_ADDON'),
  testHost: requiredPath('TARNWICK_ADDON_TESTHOST'),
  fakeNative: requiredPath('TARNWICK_FAKE_NATIVE'),
  fakeNativeMissing: requiredPath('TARNWICK_FAKE_NATIVE_MISSING'),
  fakeNativeRequired: requiredPath('TARNWICK_FAKE_NATIVE_REQUIRED'),
  nativeLibrary: process.env.TARNWICK_NATIVE_LIBRARY || null,
};

function loadAddon() {
  return require(paths.addon);
}

let testHost = null;
function loadTestHost() {
  if (!testHost) {
    testHost = require(paths.testHost);
    // See endProcess in the test host: skip the exit handlers that tear the UI thread down.
    process.on('exit', (code) => testHost.endProcess(code));
  }
  return testHost;
}

/// Resolves once predicate() is truthy (with its value); rejects after timeoutMs.
function waitFor(predicate, timeoutMs = 5000, what = 'condition') {
  const deadline = Date.now() + timeoutMs;
  return new Promise((resolve, reject) => {
    const check = () => {
      let value;
      try {
        value = predicate();
      } catch (error) {
        reject(error);
        return;
      }
      if (value) resolve(value);
      else if (Date.now() > deadline) reject(new Error(`timed out waiting for ${what}`));
      else setTimeout(check, 5);
    };
    check();
  });
}

/// Lets queued thread-safe-function calls and UI-thread round trips settle: one macrotask turn.
function nextTurn() {
  return new Promise((resolve) => setImmediate(resolve));
}

/// Runs `source` in a new Node process; resolves with {code, stdout, stderr}.
function runNode(source, env = {}, timeoutMs = 20000) {
  return new Promise((resolve, reject) => {
    const child = spawn(process.execPath, ['-e', source], {
      env: { ...process.env, ...env },
      stdio: ['ignore', 'pipe', 'pipe'],
    });
    let stdout = '';
    let stderr = '';
    child.stdout.on('data', (chunk) => { stdout += chunk; });
    child.stderr.on('data', (chunk) => { stderr += chunk; });
    const timer = setTimeout(() => {
      child.kill('SIGKILL');
      reject(new Error(`child timed out; stderr: ${stderr}`));
    }, timeoutMs);
    child.on('close', (code) => {
      clearTimeout(timer);
      resolve({ code, stdout, stderr });
    });
  });
}

function tempDir(prefix) {
  return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

/// Points GIO at desktop entries of our own: a fresh data home holding `entries` (file name ->
/// {mimeTypes, exec}) and no system data. Must run before the first lookup in the process.
function installDesktopEntries(entries) {
  const root = tempDir('tarnwick-addon-xdg-');
  const applications = path.join(root, 'data', 'applications');
  fs.mkdirSync(applications, { recursive: true });
  fs.mkdirSync(path.join(root, 'config'), { recursive: true });
  fs.mkdirSync(path.join(root, 'system'), { recursive: true });
  const cache = new Map();
  for (const [name, entry] of Object.entries(entries)) {
    for (const type of entry.mimeTypes) cache.set(type, [...(cache.get(type) || []), name]);
    fs.writeFileSync(path.join(applications, name), [
      '[Desktop Entry]',
      'Type=Application',
      `Name=${entry.name || name}`,
      `Exec=${entry.exec} %u`,
      `MimeType=${entry.mimeTypes.join(';')};`,
      '',
    ].join('\n'));
  }
  // The index that update-desktop-database keeps; GIO finds handlers through it.
  fs.writeFileSync(path.join(applications, 'mimeinfo.cache'), ['[MIME Cache]',
    ...[...cache].map(([type, names]) => `${type}=${names.join(';')};`), ''].join('\n'));
  process.env.XDG_DATA_HOME = path.join(root, 'data');
  process.env.XDG_CONFIG_HOME = path.join(root, 'config');
  process.env.XDG_DATA_DIRS = path.join(root, 'system');
  return root;
}

/// A window handle buffer holding `address`.
function handleFor(address) {
  const buffer = Buffer.alloc(8);
  buffer.writeBigUInt64LE(BigInt(address));
  return buffer;
}

module.exports = {
  paths, loadAddon, loadTestHost, waitFor, nextTurn, runNode, tempDir, installDesktopEntries, handleFor,
};
