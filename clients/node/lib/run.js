'use strict';

const { spawn } = require('node:child_process');
const { StoreBridgeError } = require('./errors');

// setTimeout fires at once for anything above this.
const MAX_TIMEOUT_MS = 2 ** 31 - 1;

// One run of the bridge, without a shell and with stdin closed. Resolves with
// all of stdout (the line has no line break, so only its end tells it is
// complete) and how the process ended.
function runBridge(executable, args, { env, timeoutMs }) {
  if (timeoutMs !== undefined && !(Number.isFinite(timeoutMs) && timeoutMs > 0 && timeoutMs <= MAX_TIMEOUT_MS)) {
    throw new RangeError(`timeoutMs must be between 1 and ${MAX_TIMEOUT_MS}, not ${timeoutMs}`);
  }
  return new Promise((resolve, reject) => {
    // windowsHide: a console program started by a GUI app would get a console window of its own.
    const child = spawn(executable, args, {
      stdio: ['ignore', 'pipe', 'ignore'],
      env: { ...process.env, ...env },
      windowsHide: true,
    });
    const chunks = [];
    const output = () => Buffer.concat(chunks).toString('utf8');
    let timer;
    let timedOut = false;
    let settled = false;
    const settle = (finish) => {
      if (settled) return;
      settled = true;
      clearTimeout(timer);
      finish();
    };
    const timedOutError = (exitCode, signal) =>
      new StoreBridgeError('timed-out', `store-bridge gave no result within ${timeoutMs} ms and was killed`,
        { exitCode, signal, output: output() });

    child.stdout.on('data', (chunk) => chunks.push(chunk));
    child.on('error', (cause) => {
      // Without a pid the process never started; later errors come with an exit that settles.
      if (child.pid !== undefined) return;
      settle(() => reject(new StoreBridgeError('not-started', `cannot start ${executable}: ${cause.message}`, { cause })));
    });
    child.on('exit', (exitCode, signal) => {
      if (timedOut) settle(() => reject(timedOutError(exitCode, signal)));
      else clearTimeout(timer);
    });
    child.on('close', (exitCode, signal) => {
      if (child.pid === undefined) return;
      settle(() => resolve({ stdout: Buffer.concat(chunks), exitCode, signal }));
    });
    if (timeoutMs !== undefined) {
      timer = setTimeout(() => {
        timedOut = true;
        if (!child.kill('SIGKILL')) settle(() => reject(timedOutError(null, null)));
      }, timeoutMs);
    }
  });
}

module.exports = { runBridge };
