'use strict';
// @tarnwick/helper-client: drives tarnwick-helper over its JSON-lines stdio protocol for the main
// application. One promise per request, settled by the response with its id; helper events as
// emitter events; writes that wait for 'drain'; an optional restart that re-sends the state.

const { spawn } = require('node:child_process');
const { EventEmitter } = require('node:events');
const fs = require('node:fs');
const path = require('node:path');

const { LineSplitter } = require('./lib/linesplitter');
const { HelperState } = require('./lib/helperstate');

class HelperRequestError extends Error {
  constructor(method, id, message) {
    super(message);
    this.name = 'HelperRequestError';
    this.method = method;
    this.id = id;
  }
}

class HelperExitedError extends Error {
  constructor(method, exit) {
    const how = exit.signal ? `signal ${exit.signal}` : `status ${exit.code}`;
    super(`tarnwick-helper ended (${how}) before answering ${method}`);
    this.name = 'HelperExitedError';
    this.method = method;
    this.code = exit.code;
    this.signal = exit.signal;
  }
}

// Installed with the programs: <prefix>/lib/node_modules/@tarnwick/helper-client → <prefix>/bin.
function defaultHelperPath() {
  if (process.env.TARNWICK_HELPER_PATH) return process.env.TARNWICK_HELPER_PATH;
  const installed = path.join(__dirname, '..', '..', '..', '..', 'bin', 'tarnwick-helper');
  return fs.existsSync(installed) ? installed : 'tarnwick-helper';
}

const RESTART_DEFAULTS = { maxRestarts: 5, windowMs: 60000, delayMs: 1000 };

function restartPolicy(option) {
  if (!option) return null;
  return { ...RESTART_DEFAULTS, ...(option === true ? {} : option) };
}

class HelperClient extends EventEmitter {
  constructor(options = {}) {
    super();
    this.helperPath = options.helperPath || defaultHelperPath();
    this.env = options.env || process.env;
    this.restart = restartPolicy(options.restart);
    this.child = null;
    this.pending = new Map(); // id → {method, resolve, reject}
    this.nextId = 1;
    this.outgoing = []; // lines not yet handed to the pipe
    this.flushScheduled = false;
    this.waitingForDrain = false;
    this.stopping = false; // stop() or kill() asked for the end: no restart
    this.restarts = []; // start times of recent restarts
    this.state = new HelperState();
    this.exitPromise = null;
    this.on('settings.changed', (params) => this.state.userChanged(params));
  }

  /** Spawns the helper; resolves once it runs, rejects when it cannot be started. */
  start() {
    if (this.child) return Promise.reject(new Error('tarnwick-helper is already running'));
    this.stopping = false;
    return this.spawnHelper();
  }

  spawnHelper() {
    const child = spawn(this.helperPath, [], { env: this.env, stdio: ['pipe', 'pipe', 'pipe'] });
    this.child = child;
    this.waitingForDrain = false;
    child.stdin.on('error', () => {}); // EPIPE once the helper has gone; its exit says why
    child.stdin.on('drain', () => {
      this.waitingForDrain = false;
      this.flush();
    });
    const replies = new LineSplitter((line) => this.receive(line));
    child.stdout.setEncoding('utf8');
    child.stdout.on('data', (chunk) => replies.push(chunk));
    const records = new LineSplitter((line) => this.emit('log', parseRecord(line)));
    child.stderr.setEncoding('utf8');
    child.stderr.on('data', (chunk) => records.push(chunk));
    this.exitPromise = new Promise((resolve) => {
      // 'close' rather than 'exit': every line the helper wrote has been read by then.
      child.on('close', (code, signal) => {
        replies.end();
        records.end();
        resolve({ code, signal });
        this.ended(child, { code, signal });
      });
    });
    return new Promise((resolve, reject) => {
      let spawned = false;
      child.once('spawn', () => {
        spawned = true;
        resolve();
      });
      // Before 'spawn': the program could not be started; its 'close' is no crash then.
      child.on('error', (error) => {
        if (spawned) return;
        if (this.child === child) this.child = null;
        this.rejectAll({ code: null, signal: null });
        reject(error);
      });
    });
  }

  /** Sends one request; resolves with its result, rejects with its error or when the helper ends. */
  request(method, params) {
    if (!this.child && !this.restartTimer) return Promise.reject(new Error(`tarnwick-helper is not running (${method})`));
    this.state.sent(method, params);
    return this.send(method, params);
  }

  send(method, params) {
    const id = this.allocateId();
    const message = params === undefined ? { id, method } : { id, method, params };
    return new Promise((resolve, reject) => {
      this.pending.set(id, { method, resolve, reject });
      this.enqueue(JSON.stringify(message));
    });
  }

  // Ids stay exact in a JavaScript number (below 2^53) and unique among the unanswered ones.
  allocateId() {
    for (;;) {
      const id = this.nextId;
      this.nextId = id >= Number.MAX_SAFE_INTEGER ? 1 : id + 1;
      if (!this.pending.has(id)) return id;
    }
  }

  // Lines written in one turn leave in one write, so the helper reads them together.
  enqueue(line) {
    this.outgoing.push(line + '\n');
    if (this.flushScheduled) return;
    this.flushScheduled = true;
    process.nextTick(() => {
      this.flushScheduled = false;
      this.flush();
    });
  }

  flush() {
    if (this.waitingForDrain || !this.child || this.outgoing.length === 0) return;
    const chunk = this.outgoing.join('');
    this.outgoing = [];
    if (!this.child.stdin.write(chunk)) this.waitingForDrain = true;
  }

  receive(line) {
    if (line.trim() === '') return;
    let message;
    try {
      message = JSON.parse(line);
    } catch {
      this.emit('log', { level: 'E', category: 'HelperClient', message: 'Unreadable line from tarnwick-helper', line });
      return;
    }
    if (message === null || typeof message !== 'object') return;
    if (typeof message.method === 'string') {
      this.emit(message.method, message.params);
      return;
    }
    const waiting = this.pending.get(message.id);
    if (!waiting) return;
    this.pending.delete(message.id);
    if (typeof message.error === 'string') waiting.reject(new HelperRequestError(waiting.method, message.id, message.error));
    else waiting.resolve(message.result);
  }

  ended(child, exit) {
    if (this.child !== child) return;
    this.child = null;
    this.rejectAll(exit);
    const crashed = !this.stopping && (exit.signal !== null || exit.code !== 0);
    if (crashed && this.mayRestart()) {
      this.emit('crash', { ...exit, willRestart: true });
      this.restartAfterCrash(exit);
      return;
    }
    if (crashed) this.emit('crash', { ...exit, willRestart: false });
    this.emit('exit', exit);
  }

  rejectAll(exit) {
    this.outgoing = [];
    for (const [id, waiting] of this.pending) {
      this.pending.delete(id);
      waiting.reject(new HelperExitedError(waiting.method, exit));
    }
  }

  mayRestart() {
    if (!this.restart) return false;
    const now = Date.now();
    this.restarts = this.restarts.filter((at) => now - at < this.restart.windowMs);
    return this.restarts.length < this.restart.maxRestarts;
  }

  restartAfterCrash(exit) {
    this.lastExit = exit;
    this.restarts.push(Date.now());
    this.restartTimer = setTimeout(async () => {
      this.restartTimer = null;
      // Requests made while the helper was down follow the state they were made on.
      const held = this.outgoing;
      this.outgoing = [];
      const spawned = this.spawnHelper();
      const replies = this.state.requests().map(([method, params]) => this.send(method, params));
      const answered = Promise.allSettled(replies);
      this.outgoing.push(...held);
      try {
        await spawned;
      } catch (error) {
        this.emit('exit', { code: null, signal: null, error });
        return;
      }
      const failed = (await answered).filter((outcome) => outcome.status === 'rejected').length;
      this.emit('restart', { attempt: this.restarts.length, code: exit.code, signal: exit.signal, resent: replies.length, failed });
    }, this.restart.delayMs);
  }

  /** Closes the helper's standard input: it answers what it has read and exits with status 0. */
  stop() {
    this.stopping = true;
    this.cancelRestart();
    if (!this.child) return Promise.resolve({ code: null, signal: null });
    const done = this.exitPromise;
    // Lines still held back for 'drain' go out before the end of input, so they are answered.
    const rest = this.outgoing.join('');
    this.outgoing = [];
    this.child.stdin.end(rest);
    return done;
  }

  /** Sends a signal (SIGTERM by default: the helper writes app.quit and exits); never restarted. */
  kill(signal = 'SIGTERM') {
    this.stopping = true;
    this.cancelRestart();
    if (!this.child) return Promise.resolve({ code: null, signal: null });
    const done = this.exitPromise;
    this.child.kill(signal);
    return done;
  }

  // A restart that has not spawned yet ends here: the client is done.
  cancelRestart() {
    if (!this.restartTimer) return;
    clearTimeout(this.restartTimer);
    this.restartTimer = null;
    this.rejectAll(this.lastExit);
    this.emit('exit', this.lastExit);
  }

  /** The helper's process id, or undefined while it is not running. */
  get pid() {
    return this.child ? this.child.pid : undefined;
  }

  settingsShow(params) { return this.request('settings.show', params); }
  settingsUpdate(params) { return this.request('settings.update', params); }
  accountsUpdate(params) { return this.request('accounts.update', params); }
  trayCreate() { return this.request('tray.create'); }
  trayDestroy() { return this.request('tray.destroy'); }
  trayUpdate(params) { return this.request('tray.update', params); }
  trayMessages(params) { return this.request('tray.messages', params); }
  trayVerificationCode(params) { return this.request('tray.verificationCode', params === null ? undefined : params); }
  notifySetup() { return this.request('notify.setup'); }
  notifyClearAll() { return this.request('notify.clearAll'); }
  notifyDispatch(params) { return this.request('notify.dispatch', params); }
  focusFilterGet() { return this.request('focusFilter.get'); }
  focusFilterSet(params) { return this.request('focusFilter.set', params); }
}

// "<I|W|E>|<Category>|<message>"; anything else is passed on whole as the message.
function parseRecord(line) {
  const match = /^([IWE])\|([^|]*)\|(.*)$/s.exec(line);
  if (!match) return { level: '', category: '', message: line, line };
  return { level: match[1], category: match[2], message: match[3], line };
}

module.exports = { HelperClient, HelperRequestError, HelperExitedError };
