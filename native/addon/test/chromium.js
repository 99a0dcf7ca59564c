'use strict';
// A real Chromium window for the tests that treat it as the main application's web view. Chromium
// runs as a tree of processes (zygote, renderers, crash handler) that outlive a killed browser
// process and keep writing its profile, so it starts in a process group of its own and stops as a
// whole, profile included.

const fs = require('node:fs');
const { spawn } = require('node:child_process');

const commonArguments = [
  '--no-sandbox', '--ozone-platform=x11', '--disable-gpu', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

/// Starts `chromium --app=<url>` on `display` with its profile in `profile` (removed by stop()).
/// Returns {process, errors(), stop()}; stop() resolves once every process of the group is gone.
function startChromium({ display, profile, url, extraArguments = [], env = process.env }) {
  const browser = spawn('chromium', [...commonArguments, `--user-data-dir=${profile}`, ...extraArguments,
    `--app=${url}`], { env: { ...env, DISPLAY: display }, stdio: ['ignore', 'ignore', 'pipe'], detached: true });
  let errors = '';
  browser.stderr.on('data', (chunk) => { errors += chunk; });

  // Zombies do not count: in a container nobody may reap the orphaned ones.
  const groupAlive = () => fs.readdirSync('/proc').some((entry) => {
    if (!/^[0-9]+$/.test(entry)) return false;
    let stat;
    try {
      stat = fs.readFileSync(`/proc/${entry}/stat`, 'utf8');
    } catch {
      return false; // gone meanwhile
    }
    const [state, , group] = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    return Number(group) === browser.pid && state !== 'Z';
  });
  const stop = async () => {
    if (browser.pid === undefined) return; // it never started
    try {
      process.kill(-browser.pid, 'SIGKILL');
    } catch (error) {
      if (error.code !== 'ESRCH') throw error;
    }
    const deadline = Date.now() + 10000;
    while (groupAlive() && Date.now() < deadline) await new Promise((resolve) => setTimeout(resolve, 50));
    fs.rmSync(profile, { recursive: true, force: true, maxRetries: 5, retryDelay: 100 });
  };
  return { process: browser, errors: () => errors, stop };
}

module.exports = { startChromium };
