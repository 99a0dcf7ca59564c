'use strict';
// Accounts, labels and item ids the toolbar will not take are passed on as before but named in the
// log, one line per call, so the developer sees the mistake; what the toolbar takes logs nothing. A
// library refused for missing exports is named in the log with what it lacks.

const test = require('node:test');
const assert = require('node:assert/strict');
const { paths, runNode } = require('./support');

// [function, argument, expected log line (a fragment), or null for none]
const CASES = [
  ['updateAccounts', '', 'updateAccounts ignored: the text is empty'],
  ['updateAccounts', '{"accounts":[', 'updateAccounts ignored: the text is not JSON'],
  ['updateAccounts', '[{"id":"a"}]', 'updateAccounts ignored: the JSON is not an object'],
  ['updateAccounts', '{"accounts":{"id":"a"}}', '"accounts" is not an array of objects'],
  ['updateAccounts', '{"accounts":[{"id":"a"},"b"]}', '"accounts" is not an array of objects'],
  ['updateAccounts', '{"activeAccountId":7}', '"activeAccountId" is not a string'],
  ['updateAccounts', '{}', 'neither "accounts" nor "activeAccountId"'],
  ['updateAccounts', '{"accounts":[{"id":"a"},{"id":"b"}],"activeAccountId":"b"}', null],
  ['updateAccounts', '{"activeAccountId":"b"}', null],
  ['updateLabels', '', 'updateLabels ignored: the text is empty'],
  ['updateLabels', 'labels', 'updateLabels ignored: the text is not JSON'],
  ['updateLabels', '{"toolbar.search":"Search"}', 'updateLabels ignored: no "labels" object'],
  ['updateLabels', '{"labels":{"toolbar.search":"Search","toolbar.reply":1}}', 'the label "toolbar.reply" is not a string'],
  ['updateLabels', '{"labels":{"toolbar.search":"Search"}}', null],
  ['setItemEnabled', 'replyToAll', 'no toolbar item is called "replyToAll"'],
  ['setItemEnabled', 'bad\nE|Forged|record', 'no toolbar item is called "bad\\x0AE|Forged|record"'],
  ['setItemEnabled', 'replyGroup', null],
  ['setItemEnabled', 'toggleRead', null],
];

test('each rejected input logs one line naming the mistake and still reaches the library', async () => {
  const source = `
    const addon = require(${JSON.stringify(paths.addon)});
    const host = require(${JSON.stringify(paths.testHost)});
    addon.init(${JSON.stringify(paths.fakeNative)}, () => {});
    host.fakeTakeCalls(${JSON.stringify(paths.fakeNative)});
    const calls = [];
    for (const [name, argument] of ${JSON.stringify(CASES)}) {
      process.stderr.write('case ' + name + '\\n');
      if (name === 'setItemEnabled') addon.setItemEnabled(argument, true);
      else addon[name](argument);
      calls.push(host.fakeTakeCalls(${JSON.stringify(paths.fakeNative)}).length > 0);
    }
    console.log(JSON.stringify(calls));
  `;
  const result = await runNode(source, { TARNWICK_ADDON_LOG_STDERR: '1' });
  assert.equal(result.code, 0, result.stderr);
  assert.deepEqual(JSON.parse(result.stdout), CASES.map(() => true), 'every call reached the library');

  // The log lines each case produced, between its marker and the next.
  const perCase = result.stderr.split(/^case \w+\n/m).slice(1);
  assert.equal(perCase.length, CASES.length, result.stderr);
  CASES.forEach(([name, argument, expected], index) => {
    const lines = perCase[index].split('\n').filter((line) => line.startsWith('E|NativeToolbar|'));
    if (expected === null) assert.deepEqual(lines, [], `${name}(${JSON.stringify(argument)})`);
    else {
      assert.equal(lines.length, 1, `${name}(${JSON.stringify(argument)}): ${perCase[index]}`);
      assert.ok(lines[0].includes(expected), `${name}(${JSON.stringify(argument)}): ${lines[0]}`);
    }
  });
});

test('a library without a required export is named in the log with what it lacks; the error text stays', async () => {
  const source = `
    const addon = require(${JSON.stringify(paths.addon)});
    try { addon.init(${JSON.stringify(paths.fakeNativeMissing)}, () => {}); } catch (error) { console.log(error.message); }
  `;
  const result = await runNode(source, { TARNWICK_ADDON_LOG_STDERR: '1' });
  assert.equal(result.code, 0, result.stderr);
  assert.equal(result.stdout, 'Missing symbols in toolbar dylib\n');
  assert.ok(result.stderr.includes(
    `E|NativeToolbar|Missing symbols in toolbar dylib ${paths.fakeNativeMissing}: toolbar_update_accounts\n`), result.stderr);
});
