'use strict';
// hasApplicationForUrl against desktop entries of the test's own: the default handler of a URL's
// scheme, or of a file's type.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { loadAddon, installDesktopEntries } = require('./support');

// Before the addon's first lookup: GIO reads the XDG directories once per process.
const xdg = installDesktopEntries({
  'tarnwick-test-mail.desktop': { exec: '/bin/true', mimeTypes: ['x-scheme-handler/mailto'] },
  'tarnwick-test-probe.desktop': { exec: '/bin/true', mimeTypes: ['x-scheme-handler/x-tarnwick-probe'] },
  'tarnwick-test-editor.desktop': { exec: '/bin/true', mimeTypes: ['text/plain'] },
  // An entry whose program does not exist is not an application that could open anything.
  'tarnwick-test-broken.desktop': { exec: '/nonexistent/tarnwick-broken', mimeTypes: ['x-scheme-handler/x-tarnwick-broken'] },
});
const addon = loadAddon();

test('answers whether an installed application opens the URL', () => {
  const textFile = path.join(xdg, 'notes.txt');
  fs.writeFileSync(textFile, 'plain text\n');
  const cases = [
    // [url, answer]
    ['', false],
    ['no scheme at all', false],
    ['example.com/path', false],
    ['http://exa mple.com/', false],
    ['mailto:someone@example.com', true],
    ['MAILTO:someone@example.com', true],
    ['mailto:', true],
    ['x-tarnwick-probe:thing?x=1', true],
    ['x-tarnwick-unhandled:thing', false],
    ['x-tarnwick-broken:thing', false],
    ['https://example.com/', false],
    [`file://${textFile}`, true],
    ['file:///nonexistent/tarnwick/file.txt', false],
  ];
  for (const [url, answer] of cases) {
    assert.equal(addon.hasApplicationForUrl(url), answer, JSON.stringify(url));
  }
});

test('only a string is accepted', () => {
  for (const args of [[], [42], [null], [new URL('mailto:someone@example.com')]]) {
    assert.throws(() => addon.hasApplicationForUrl(...args),
      { constructor: TypeError, message: 'Expected (url: string)' });
  }
  assert.equal(addon.hasApplicationForUrl('mailto:a@example.com', 'extra'), true);
});
