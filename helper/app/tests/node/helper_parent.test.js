'use strict';
// tarnwick-helper under a real Node.js parent, spawned the way the main application spawns it:
// child_process.spawn with pipes on all three streams, requests written as the host's timers fire,
// child.kill() to stop it.

const { test } = require('node:test');
const assert = require('node:assert/strict');
const { spawn } = require('node:child_process');
const fs = require('node:fs');

const HELPER = process.env.TARNWICK_HELPER;
const NONBLOCKING_EXEC = process.env.TARNWICK_NONBLOCKING_EXEC;
const STARTUP_EVENT =
  '{"method":"focusFilter.changed","params":{"activeAccountIds":[],"disableExcludedAccounts":false,"isFilterActive":false}}';
const FOCUS_STATE = '{"activeAccountIds":[],"disableExcludedAccounts":false,"isFilterActive":false}';

function helperEnvironment(extra) {
  const env = { ...process.env };
  // No display unless a test names one; no bus, so Focus filter announcements of tests running
  // alongside cannot add lines.
  for (const name of ['DISPLAY', 'WAYLAND_DISPLAY', 'QT_QPA_PLATFORM']) delete env[name];
  env.DBUS_SESSION_BUS_ADDRESS = 'unix:path=/nonexistent/tarnwick-test-no-bus';
  return { ...env, ...extra };
}

// The requests of a busy host: answered with "ok", or with the Focus filter state.
const SHAPES = [
  (id) => ({ id, method: 'tray.update', params: { totalUnread: id % 7 } }),
  (id) => ({ id, method: 'focusFilter.get' }),
  (id) => ({ id, method: 'notify.clearAll' }),
  (id) => ({ id, method: 'accounts.update', params: { accounts: [] } }),
];
function requestLine(id) {
  return JSON.stringify(SHAPES[id % SHAPES.length](id)) + '\n';
}
function expectedAnswer(id) {
  return id % SHAPES.length === 1 ? `{"id":${id},"result":${FOCUS_STATE}}` : `{"id":${id},"result":"ok"}`;
}

class Helper {
  constructor({ env = {}, wrapper = null, readStderr = true } = {}) {
    const [command, args] = wrapper ? [wrapper, [HELPER]] : [HELPER, []];
    this.child = spawn(command, args, { env: helperEnvironment(env), stdio: ['pipe', 'pipe', 'pipe'] });
    this.child.stdin.on('error', () => {}); // EPIPE once the helper has gone, as in any host
    this.lines = [];
    this.partial = '';
    this.stderr = '';
    this.waiters = [];
    this.child.stdout.setEncoding('utf8');
    this.child.stdout.on('data', (chunk) => {
      const parts = (this.partial + chunk).split('\n');
      this.partial = parts.pop();
      for (const line of parts) this.lines.push(line);
      this.check();
    });
    if (readStderr) this.readStderr();
    this.exited = new Promise((resolve) => this.child.on('exit', (code, signal) => resolve({ code, signal })));
    this.closed = new Promise((resolve) => this.child.on('close', (code, signal) => resolve({ code, signal })));
  }

  readStderr() {
    this.child.stderr.setEncoding('utf8');
    this.child.stderr.on('data', (chunk) => {
      this.stderr += chunk;
      this.check();
    });
  }

  check() {
    this.waiters = this.waiters.filter(({ predicate, resolve }) => !(predicate() && (resolve(), true)));
  }

  waitFor(predicate) {
    return new Promise((resolve) => {
      if (predicate()) resolve();
      else this.waiters.push({ predicate, resolve });
    });
  }

  // Writes the requests first..last-1 as a host's timers would: a chunk per turn, waiting for
  // 'drain' when the pipe is full. Stops once the helper has gone.
  stream(first, last, perChunk = 500) {
    let next = first;
    return new Promise((resolve) => {
      const pump = () => {
        if (next >= last || this.child.exitCode !== null || this.child.signalCode !== null) return resolve(next);
        let chunk = '';
        for (let i = 0; i < perChunk && next < last; i++) chunk += requestLine(next++);
        if (this.child.stdin.write(chunk)) setImmediate(pump);
        else this.child.stdin.once('drain', pump);
      };
      pump();
    });
  }

  count(needle) {
    return this.stderr.split(needle).length - 1;
  }
}

// Every line is a whole answer, each request answered exactly once with its own answer.
function assertEveryRequestAnsweredOnce(lines, total) {
  const seen = new Set();
  for (const line of lines) {
    const id = JSON.parse(line).id;
    assert.equal(line, expectedAnswer(id));
    assert.ok(!seen.has(id), `id ${id} answered twice`);
    seen.add(id);
  }
  assert.equal(seen.size, total);
}

test('SIGTERM during a stream of requests: app.quit is the last line and the exit status is 0', async () => {
  for (let run = 0; run < 20; run++) {
    const helper = new Helper();
    const total = 50000;
    const killAfter = 200 + ((run * 2377) % 20000); // a different moment of the stream in each run
    helper.stream(0, total);
    await helper.waitFor(() => helper.lines.length > killAfter);
    assert.ok(helper.lines.length < total + 1, 'the stream was still being answered');
    helper.child.kill('SIGTERM');
    const { code, signal } = await helper.closed;
    assert.deepEqual({ code, signal, run }, { code: 0, signal: null, run }, helper.stderr.slice(-2000));
    assert.equal(helper.partial, '', 'no half line at the end');
    assert.equal(helper.lines.at(-1), '{"method":"app.quit"}');
    assert.equal(helper.lines.filter((l) => l === '{"method":"app.quit"}').length, 1);
    assert.equal(helper.lines[0], STARTUP_EVENT);
    for (const line of helper.lines.slice(1, -1)) assert.equal(line, expectedAnswer(JSON.parse(line).id));
  }
});

test('with standard error never read, 100 000 requests are all answered and SIGTERM still ends it', async () => {
  const helper = new Helper({ readStderr: false });
  const total = 100000;
  await helper.stream(0, total);
  await helper.waitFor(() => helper.lines.length === total + 1);
  assertEveryRequestAnsweredOnce(helper.lines.slice(1), total);
  helper.child.kill('SIGTERM');
  const { code, signal } = await helper.exited;
  assert.deepEqual({ code, signal }, { code: 0, signal: null });
  await helper.closed;
  assert.equal(helper.lines.at(-1), '{"method":"app.quit"}');
});

test('a second termination signal ends a helper whose goodbye cannot be written', async () => {
  const helper = new Helper();
  helper.child.stdout.pause(); // a host that stopped reading: the answers fill the pipe
  const total = 20000;
  // The helper blocks on its full stdout; then its reader stops taking requests once enough wait,
  // so the stream is not awaited: it would wait for a drain that never comes.
  helper.stream(0, total);
  await helper.waitFor(() => helper.count('I|RPC|Dispatching request: ') === total ||
                             helper.count('reading stdin paused') === 1);
  helper.child.kill('SIGTERM');
  helper.child.kill('SIGINT'); // a different signal, so the two cannot merge into one
  const { code, signal } = await helper.exited;
  assert.equal(code, null);
  assert.ok(['SIGTERM', 'SIGINT'].includes(signal), `ended by ${signal}`);
});

test('a request with a lone UTF-16 surrogate is answered; other broken text still is not', async () => {
  const helper = new Helper();
  const cut = 'Hi \u{1F600}'.slice(0, 4); // a subject sliced in the middle of an emoji
  helper.child.stdin.write(
    JSON.stringify({ id: 1, method: 'tray.update', params: { subject: cut } }) + '\n' +
    JSON.stringify({ id: 2, method: 'tray.update', params: { subject: '\uDE00 low half first' } }) + '\n');
  helper.child.stdin.write(Buffer.concat([
    Buffer.from('{"id":3,"method":"tray.update","params":{"subject":"'), Buffer.from([0xff]), Buffer.from('"}}\n'),
  ]));
  helper.child.stdin.write(JSON.stringify({ id: 4, method: 'tray.update', params: { s: '\u{1F600}' } }) + '\n');
  helper.child.stdin.end();
  const { code } = await helper.closed;
  assert.equal(code, 0);
  assert.deepEqual(helper.lines.slice(1), ['{"id":1,"result":"ok"}', '{"id":2,"result":"ok"}', '{"id":4,"result":"ok"}']);
  assert.equal(helper.count('W|RPC|A request held a lone UTF-16 surrogate'), 1, 'logged once');
  assert.equal(helper.count('W|RPC|Failed to decode RPC request from stdin'), 1, 'invalid UTF-8 is still refused');
});

test('with O_NONBLOCK on standard input and output, 100 000 requests are answered, every line whole', async () => {
  const helper = new Helper({ wrapper: NONBLOCKING_EXEC });
  const total = 100000;
  // A host that reads in fits and starts: the helper's output fills up now and then.
  let nextPause = 10000;
  helper.child.stdout.on('data', () => {
    if (helper.lines.length >= nextPause) {
      nextPause += 10000;
      helper.child.stdout.pause();
      setTimeout(() => helper.child.stdout.resume(), 30);
    }
  });
  // Requests arrive in bursts with gaps, so the helper's reads come up empty in between.
  for (let first = 0; first < total; first += 20000) {
    await helper.stream(first, first + 20000);
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  await helper.waitFor(() => helper.lines.length === total + 1);
  helper.child.stdin.end();
  const { code } = await helper.closed;
  assert.equal(code, 0);
  assert.equal(helper.partial, '');
  assert.equal(helper.lines[0], STARTUP_EVENT);
  assertEveryRequestAnsweredOnce(helper.lines.slice(1), total);
});

test('input ending right after a burst: every request read is still answered', async () => {
  const helper = new Helper();
  let burst = '';
  for (let id = 0; id < 4000; id++) burst += requestLine(id);
  helper.child.stdin.end(burst);
  const { code } = await helper.closed;
  assert.equal(code, 0);
  assertEveryRequestAnsweredOnce(helper.lines.slice(1), 4000);
});

test('a DISPLAY naming no server falls back to the offscreen platform', async () => {
  let display = 90;
  while (fs.existsSync(`/tmp/.X11-unix/X${display}`)) display++;
  const helper = new Helper({ env: { DISPLAY: `:${display}` } });
  helper.child.stdin.write('{"id":1,"method":"tray.create"}\n{"id":2,"method":"settings.show"}\n');
  await helper.waitFor(() => helper.lines.length >= 3);
  helper.child.stdin.end();
  const { code, signal } = await helper.closed;
  assert.deepEqual({ code, signal }, { code: 0, signal: null }, helper.stderr);
  assert.deepEqual(helper.lines, [STARTUP_EVENT, '{"id":1,"result":"ok"}', '{"id":2,"result":"ok"}']);
});
