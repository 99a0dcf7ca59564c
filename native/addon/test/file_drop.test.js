'use strict';
// dropFiles onto Qt windows in this process: which widget of the tree gets the drop, the order of
// the drag events, what the drag carries, and the cases that do nothing.

const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { paths, loadAddon, loadTestHost, waitFor, runNode, handleFor } = require('./support');

const addon = loadAddon();
const host = loadTestHost();

const finished = (entry) => / (drop|leave)$|:drop |:leave$/.test(entry);

/// Drops `files` onto a window built from `tree` and returns the drag events, once the drop is over.
async function dropOnto(tree, files = ['/tmp/a.txt']) {
  const handle = host.createWindow(tree);
  host.takeEvents();
  try {
    assert.equal(addon.dropFiles(handle, files), undefined);
    const events = [];
    await waitFor(() => {
      events.push(...host.takeEvents());
      return events.some(finished);
    }, 5000, 'the end of the drop');
    return events;
  } finally {
    host.destroyWindow(handle);
  }
}

const view = (cls, name, extra = {}) => ({ class: cls, name, ...extra });
const box = (name, children) => ({ class: 'PlainView', name, children });

test('the drop goes to the web contents view, then the render widget view, then the first candidate', async () => {
  const cases = [
    // [tree, events]
    [box('root', [view('HostRenderWidgetHostView', 'rwhv'), box('inner', [view('HostWebContentsView', 'wcv')])]),
      ['wcv:enter', 'wcv:move', 'wcv:drop']],
    [box('root', [view('DropView', 'first'), view('HostRenderWidgetHostView', 'rwhv')]),
      ['rwhv:enter', 'rwhv:move', 'rwhv:drop']],
    [box('root', [box('inner', [view('DropView', 'deep')]), view('DropView', 'second')]),
      ['deep:enter', 'deep:move', 'deep:drop']],
    // The handle's own view comes before its children.
    [view('DropView', 'root', { children: [view('DropView', 'child')] }),
      ['root:enter', 'root:move', 'root:drop']],
  ];
  for (const [tree, expected] of cases) {
    const events = await dropOnto(tree);
    assert.deepEqual(events.map((e) => e.split(' ')[0]), expected, JSON.stringify(tree));
  }
});

test('a refusing target hands the drop to the first candidate that accepts', async () => {
  const events = await dropOnto(box('root', [
    view('HostWebContentsView', 'wcv', { accepts: false }),
    view('DropView', 'refuses', { accepts: false }),
    view('DropView', 'accepts'),
    view('DropView', 'later'),
  ]));
  assert.deepEqual(events.map((e) => e.split(' ')[0]),
    ['wcv:enter', 'refuses:enter', 'accepts:enter', 'accepts:move', 'accepts:drop']);
});

test('a drop refused everywhere still runs through move and drop, then leaves', async () => {
  const events = await dropOnto(box('root', [
    view('HostWebContentsView', 'wcv', { accepts: false }),
    view('DropView', 'other', { accepts: false }),
  ]));
  assert.deepEqual(events.map((e) => e.split(' ')[0]),
    ['wcv:enter', 'other:enter', 'wcv:move', 'wcv:drop', 'wcv:leave']);
});

test('the drag carries every path as a file URL and as text, dropped at the centre', async () => {
  const events = await dropOnto(
    box('root', [view('HostWebContentsView', 'wcv', { geometry: [10, 20, 200, 100] })]),
    ['/tmp/first file.pdf', 'relative/second.txt', 42, '', '/tmp/ü.png']);
  const relative = path.resolve('relative/second.txt');
  const drop = events.find((e) => e.startsWith('wcv:drop'));
  assert.equal(drop, `wcv:drop at=99,49 urls=${[
    'file:///tmp/first file.pdf', `file://${relative}`, 'file:///tmp/ü.png'].join('|')} text=${[
    '/tmp/first file.pdf', relative, '/tmp/ü.png'].join('|')}`);
});

test('nothing to drop does nothing and raises nothing', async () => {
  const handle = host.createWindow(view('DropView', 'quiet'));
  host.takeEvents();
  for (const files of [[], [''], [1, null, {}]]) {
    assert.equal(addon.dropFiles(handle, files), undefined);
  }
  // A drop after them is the only one that arrives.
  addon.dropFiles(handle, ['/tmp/only.txt']);
  const events = [];
  await waitFor(() => {
    events.push(...host.takeEvents());
    return events.some(finished);
  }, 5000, 'the drop');
  host.destroyWindow(handle);
  assert.deepEqual(events.map((e) => e.split(' ')[0]), ['quiet:enter', 'quiet:move', 'quiet:drop']);
  assert.match(events[2], /urls=file:\/\/\/tmp\/only\.txt /);
});

test('a handle that names no live widget raises and drops nothing', () => {
  const gone = host.createWindow(view('DropView', 'gone'));
  host.destroyWindow(gone);
  for (const handle of [gone, handleFor(0), handleFor(0x1234)]) {
    assert.throws(() => addon.dropFiles(handle, ['/tmp/a.txt']),
      { constructor: Error, message: 'No window found for handle' });
  }
  assert.deepEqual(host.takeEvents(), []);
});

test('the drop writes its steps to the addon log', async () => {
  const source = `
    const addon = require(${JSON.stringify(paths.addon)});
    const host = require(${JSON.stringify(paths.testHost)});
    const handle = host.createWindow({ class: 'PlainView', name: 'root', children: [
      { class: 'DropView', name: 'first', accepts: false, geometry: [0, 0, 50, 40] },
      { class: 'HostWebContentsView', name: 'wcv', accepts: false, geometry: [0, 50, 300, 200] },
      { class: 'DropView', name: 'taker', geometry: [0, 260, 30, 30] },
    ] });
    addon.dropFiles(handle, ['/tmp/a.txt']);
    const timer = setInterval(() => {
      if (host.takeEvents().some((e) => e.startsWith('taker:drop'))) {
        clearInterval(timer);
        host.destroyWindow(handle);
        host.endProcess(0);
      }
    }, 5);
  `;
  const result = await runNode(source, { TARNWICK_ADDON_LOG_STDERR: '1' });
  assert.equal(result.code, 0, result.stderr);
  const log = result.stderr.split('\n').filter((line) => line.includes('|NativeToolbar|'));
  const prefix = 'tarnwick::addon::testing::';
  assert.deepEqual(log, [
    `D|NativeToolbar|Candidate drag view: ${prefix}DropView (bounds: QRect(0,0 50x40))`,
    `D|NativeToolbar|Candidate drag view: ${prefix}HostWebContentsView (bounds: QRect(0,0 300x200))`,
    `D|NativeToolbar|Candidate drag view: ${prefix}DropView (bounds: QRect(0,0 30x30))`,
    `I|NativeToolbar|Selected drag view: ${prefix}HostWebContentsView (bounds: QRect(0,0 300x200))`,
    `I|NativeToolbar|draggingEntered on ${prefix}HostWebContentsView: op=0`,
    `I|NativeToolbar|draggingEntered on alternative ${prefix}DropView: op=0`,
    `I|NativeToolbar|draggingEntered on alternative ${prefix}DropView: op=1`,
    'I|NativeToolbar|performDragOperation: YES',
  ]);
});
