'use strict';
// The baseline peer of the burst benchmark: what the helper's protocol costs in a plain Node.js
// JSON-lines program. Same dispatch shape as tarnwick-helper: the method table, "ok" answers,
// the Focus filter methods answered from a later event-loop turn, an error for anything else;
// output objects with sorted keys, one process.stdout.write per line. No tray, no log.

// Every object below is built with its keys in ascending order, so plain JSON.stringify writes them
// sorted: the fastest way a Node.js program produces the helper's bytes.
function send(message) {
  process.stdout.write(JSON.stringify(message) + '\n');
}
function respond(request, result) {
  if (request.id !== undefined && request.id !== null) send({ id: request.id, result });
}

const focus = { activeAccountIds: [], disableExcludedAccounts: false, isFilterActive: false };
const state = { tray: {}, settings: {}, accounts: [] };
const isObject = (v) => v !== null && typeof v === 'object' && !Array.isArray(v);

const methods = {
  'settings.show': (p) => { if (isObject(p) && isObject(p.settings)) Object.assign(state.settings, p.settings); },
  'settings.update': (p) => { if (isObject(p) && isObject(p.settings)) Object.assign(state.settings, p.settings); },
  'accounts.update': (p) => { state.accounts = isObject(p) && Array.isArray(p.accounts) ? p.accounts : []; },
  'tray.create': () => {},
  'tray.destroy': () => {},
  'tray.update': (p) => { if (isObject(p)) state.tray = p; },
  'tray.messages': () => {},
  'tray.verificationCode': () => {},
  'notify.setup': () => {},
  'notify.clearAll': () => {},
  'notify.dispatch': () => {},
};

function dispatch(request) {
  const method = request.method;
  if (method === 'focusFilter.get') {
    setImmediate(() => respond(request, { activeAccountIds: focus.activeAccountIds.slice(), disableExcludedAccounts: focus.disableExcludedAccounts, isFilterActive: focus.isFilterActive }));
  } else if (method === 'focusFilter.set') {
    setImmediate(() => respond(request, 'ok'));
  } else if (Object.prototype.hasOwnProperty.call(methods, method)) {
    methods[method](request.params);
    respond(request, 'ok');
  } else if (request.id !== undefined && request.id !== null) {
    send({ error: `Unknown method: ${method}`, id: request.id });
  }
}

let pending = '';
process.stdin.setEncoding('utf8');
process.stdin.on('data', (chunk) => {
  const lines = (pending + chunk).split('\n');
  pending = lines.pop();
  for (const line of lines) {
    if (line.length === 0) continue;
    let request;
    try {
      request = JSON.parse(line);
    } catch {
      continue;
    }
    if (isObject(request) && typeof request.method === 'string') dispatch(request);
  }
});
process.stdin.on('end', () => process.exit(0));
send({ method: 'focusFilter.changed', params: focus });
