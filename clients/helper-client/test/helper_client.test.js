'use strict';
// @tarnwick/helper-client against the real tarnwick-helper: every method, answers matched by id
// when they come back out of order, an error answer, events, back-pressure, stop and kill, and a
// killed helper restarted with its state.

const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { once } = require('node:events');

const { HelperClient, HelperRequestError, HelperExitedError } = require('..');

const HELPER = process.env.TARNWICK_HELPER;
if (!HELPER) throw new Error('TARNWICK_HELPER is not set; run the tests through CTest');

// A helper of its own: no display, no bus (other tests' Focus announcements cannot reach it), and
// a data home of its own (no focus-filter.json of another test).
function helperEnvironment() {
  const env = { ...process.env };
  for (const name of ['DISPLAY', 'WAYLAND_DISPLAY', 'QT_QPA_PLATFORM']) delete env[name];
  env.DBUS_SESSION_BUS_ADDRESS = 'unix:path=/nonexistent/tarnwick-test-no-bus';
  env.XDG_DATA_HOME = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-client-data-'));
  return env;
}

async function startedClient(options = {}) {
  const client = new HelperClient({ helperPath: HELPER, env: helperEnvironment(), ...options });
  const log = [];
  client.on('log', (record) => log.push(record));
  const firstFilter = once(client, 'focusFilter.changed');
  await client.start();
  await firstFilter;
  return { client, log };
}

function waitForLog(client, log, predicate) {
  if (log.some(predicate)) return Promise.resolve();
  return new Promise((resolve) => {
    const listener = (record) => {
      if (!predicate(record)) return;
      client.off('log', listener);
      resolve();
    };
    client.on('log', listener);
  });
}

const ACCOUNTS = [
  { id: 'work', name: 'Work', email: 'me@work.example', color: '#3366ff', unreadCount: 4, needsAuth: false },
  { id: 'home', name: 'Home', email: 'me@home.example', color: '#ff6633', unreadCount: 0, needsAuth: true },
];
const CODE = { code: '123456', messageId: 'm1', threadId: 't1', accountId: 'work', service: 'Bank', receivedAt: Date.now() };

test('every method is answered with its own result', async () => {
  const { client } = await startedClient();
  const answers = await Promise.all([
    client.settingsShow({ pane: 'Accounts', settings: { theme: 'dark' }, accounts: ACCOUNTS, appVersion: '1.2.3',
      browsers: [{ id: 'firefox', name: 'Firefox', bundleId: 'firefox' }], defaultBrowser: { id: 'firefox', name: 'Firefox' },
      browserProfiles: { firefox: [{ directory: 'default', email: 'me@work.example', name: 'Me' }] } }),
    client.settingsUpdate({ settings: { pollIntervalSeconds: 120, notifications: { social: 'badge' } } }),
    client.accountsUpdate({ accounts: ACCOUNTS }),
    client.trayCreate(),
    client.trayUpdate({ accounts: ACCOUNTS, totalUnread: 4, unreadDisplay: 'numbers', verificationCode: null }),
    client.trayMessages({ accountId: 'work', messages: [{ id: 'm1', threadId: 't1', subject: 'Hi', from: 'A <a@b.example>',
      snippet: 'Hello', internalDate: String(Date.now()), category: 'primary', labelIds: ['UNREAD'] }] }),
    client.trayVerificationCode(CODE),
    client.trayVerificationCode(null),
    client.notifySetup(),
    client.notifyDispatch({ accountId: 'work', messages: [{ id: 'm2', threadId: 't2', subject: 'S', from: 'F', snippet: '',
      category: 'updates' }], notifications: { updates: 'silent' } }),
    client.notifyClearAll(),
    client.focusFilterSet({ activeAccountIds: ['work'], disableExcludedAccounts: true }),
    client.focusFilterGet(),
    client.trayDestroy(),
  ]);
  assert.deepEqual(answers.slice(0, 12), Array(12).fill('ok'));
  assert.deepEqual(answers[12], { activeAccountIds: ['work'], disableExcludedAccounts: true, isFilterActive: true });
  assert.equal(answers[13], 'ok');
  assert.deepEqual(await client.stop(), { code: 0, signal: null });
});

test('answers that come back out of order, and an error answer, settle their own requests', async () => {
  const { client } = await startedClient();
  // focusFilter.get is answered a main-loop turn later than the requests read with it.
  const settled = [];
  const track = (name, promise) => promise.then((value) => { settled.push(name); return value; });
  const [state, ok] = await Promise.all([
    track('focusFilter.get', client.focusFilterGet()),
    track('settings.update', client.settingsUpdate({ settings: { hideSidebar: true } })),
  ]);
  assert.deepEqual(settled, ['settings.update', 'focusFilter.get']);
  assert.deepEqual(state, { activeAccountIds: [], disableExcludedAccounts: false, isFilterActive: false });
  assert.equal(ok, 'ok');

  await assert.rejects(client.request('mail.archiveAll', { all: true }),
    (error) => error instanceof HelperRequestError && error.message === 'Unknown method: mail.archiveAll'
      && error.method === 'mail.archiveAll');
  // The connection is still good after the error.
  assert.equal(await client.trayCreate(), 'ok');
  await client.stop();
});

test('a burst far larger than the pipe is written as the pipe drains, every answer to its request', async () => {
  const { client } = await startedClient();
  const total = 20000;
  const padding = 'x'.repeat(200);
  const answers = await Promise.all(Array.from({ length: total }, (_, i) => (i % 5 === 0
    ? client.focusFilterGet()
    : client.trayUpdate({ totalUnread: i, padding }))));
  answers.forEach((answer, i) => {
    if (i % 5 === 0) assert.equal(typeof answer, 'object', `answer ${i}`);
    else assert.equal(answer, 'ok', `answer ${i}`);
  });
  await client.stop();
});

test('events: focusFilter.changed after a change, app.quit on kill(); unanswered requests are rejected', async () => {
  const { client } = await startedClient();
  const changed = once(client, 'focusFilter.changed');
  await client.focusFilterSet({ activeAccountIds: ['home'] });
  assert.deepEqual((await changed)[0], { activeAccountIds: ['home'], disableExcludedAccounts: false, isFilterActive: true });

  let quit = 0;
  client.on('app.quit', (params) => { quit += 1; assert.equal(params, undefined); });
  const exits = [];
  client.on('exit', (exit) => exits.push(exit));
  assert.deepEqual(await client.kill(), { code: 0, signal: null });
  assert.equal(quit, 1);
  assert.deepEqual(exits, [{ code: 0, signal: null }]);
  await assert.rejects(client.trayCreate(), /not running/);
});

test('stop() sends what is queued before closing standard input, and every request is answered', async () => {
  const { client } = await startedClient();
  const answers = Array.from({ length: 50 }, () => client.notifyClearAll());
  const exit = await client.stop();
  assert.deepEqual(await Promise.all(answers), Array(50).fill('ok'));
  assert.deepEqual(exit, { code: 0, signal: null });
});

test('a killed helper without a restart policy rejects what it left unanswered and stays down', async () => {
  const { client } = await startedClient();
  const crashes = [];
  client.on('crash', (crash) => crashes.push(crash));
  const exited = once(client, 'exit');
  const unanswered = client.focusFilterGet();
  process.kill(client.pid, 'SIGKILL');
  await assert.rejects(unanswered, (error) => error instanceof HelperExitedError && error.signal === 'SIGKILL');
  assert.deepEqual((await exited)[0], { code: null, signal: 'SIGKILL' });
  assert.deepEqual(crashes, [{ code: null, signal: 'SIGKILL', willRestart: false }]);
  assert.equal(client.pid, undefined);
});

test('a killed helper is restarted and given its state again', async () => {
  const { client, log } = await startedClient({ restart: { delayMs: 10, maxRestarts: 2 } });
  await client.settingsUpdate({ settings: { theme: 'dark' } });
  await client.accountsUpdate({ accounts: ACCOUNTS });
  await client.trayCreate();
  await client.trayUpdate({ accounts: ACCOUNTS, totalUnread: 4 });
  await client.trayUpdate({ isOffline: true });
  await client.notifySetup();
  await client.focusFilterSet({ activeAccountIds: ['home'], disableExcludedAccounts: true });
  const firstPid = client.pid;

  const restarted = once(client, 'restart');
  const fresh = log.length;
  process.kill(firstPid, 'SIGKILL');
  const [restart] = await restarted;
  assert.deepEqual(restart, { attempt: 1, code: null, signal: 'SIGKILL', resent: 6, failed: 0 });
  assert.notEqual(client.pid, firstPid);

  // The new helper had the Focus filter, tray, accounts and settings sent to it again.
  assert.deepEqual(await client.focusFilterGet(),
    { activeAccountIds: ['home'], disableExcludedAccounts: true, isFilterActive: true });
  const later = () => log.slice(fresh).map((record) => record.message);
  await waitForLog(client, log, (record) => record.message === 'Creating menu bar tray');
  assert.ok(later().includes('Settings updated'), later().join('\n'));
  assert.ok(later().includes('Accounts updated: 2 account(s)'), later().join('\n'));

  // Past the policy's limit it stays down.
  for (let i = 0; i < 2; i++) {
    const next = Promise.race([once(client, 'restart'), once(client, 'exit')]);
    process.kill(client.pid, 'SIGKILL');
    await next;
  }
  assert.equal(client.pid, undefined);
});
