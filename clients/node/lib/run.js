'use strict';

const { spawn } = require('node:child_process');
const { StoreBridgeError } = require('./errors');

// setTimeout fires at once for anything above this.
const MAX_TIMEOUT_MS = 2 ** 31 - 1;

function checkOptions({ timeoutMs, signal }) {
  if (timeoutMs !== undefined && !(Number.isFinite(timeoutMs) && timeoutMs > 0 && timeoutMs <= MAX_TIMEOUT_MS)) {
    throw new RangeError(`timeoutMs must be above 0 and at most ${MAX_TIMEOUT_MS}, not ${timeoutMs}`);
  }
  if (signal !== undefined && !(typeof signal?.aborted === 'boolean' && typeof signal.addEventListener === 'function')) {
    throw new TypeError('signal must be an AbortSignal');
  }
}

const abortedError = (signal, details) =>
  new StoreBridgeError('aborted', 'the run was aborted', { ...details, cause: signal.reason });

// One run of the bridge, without a shell; stdin is closed, or carries input and is then ended. Resolves with
// all of stdout (the line has no line break, so only its end tells it is
// complete) and how the process ended. The time-out and the abort signal kill
// the child; the promise then rejects once it is gone, so nothing outlives it.
// onStdout, when given, sees each chunk as it arrives; what it throws kills the
// child in the same way and is what the promise rejects with.
function runBridge(executable, args, { env, timeoutMs, signal, onStdout, input }) {
  checkOptions({ timeoutMs, signal });
  if (signal?.aborted) return Promise.reject(abortedError(signal, {}));
  return new Promise((resolve, reject) => {
    // windowsHide: a console program started by a GUI app would get a console window of its own.
    const child = spawn(executable, args, {
      stdio: [input === undefined ? 'ignore' : 'pipe', 'pipe', 'ignore'],
      env: { ...process.env, ...env },
      windowsHide: true,
    });
    const chunks = [];
    const output = () => Buffer.concat(chunks).toString('utf8');
    let timer;
    let stopped; // (exitCode, signal) => the error to reject with, once the child was told to stop
    let settled = false;
    const settle = (finish) => {
      if (settled) return;
      settled = true;
      clearTimeout(timer);
      signal?.removeEventListener('abort', onAbort);
      finish();
    };
    const stop = (why) => {
      if (stopped) return;
      stopped = why;
      // kill() is false when there is no child left to kill (it has ended, or never started): the run is stopped
      // all the same.
      if (!child.kill('SIGKILL')) settle(() => reject(why(child.exitCode, child.signalCode)));
    };
    const onAbort = () => stop((exitCode, end) => abortedError(signal, { exitCode, signal: end, output: output() }));

    child.stdout.on('data', (chunk) => {
      chunks.push(chunk);
      if (onStdout === undefined || stopped) return;
      try {
        onStdout(chunk);
      } catch (error) {
        stop(() => error);
      }
    });
    child.on('error', (cause) => {
      // Without a pid the process never started; later errors come with an exit that settles.
      if (child.pid !== undefined) return;
      settle(() => reject(new StoreBridgeError('not-started', `cannot start ${executable}: ${cause.message}`, { cause })));
    });
    child.on('exit', (exitCode, end) => {
      if (stopped) settle(() => reject(stopped(exitCode, end)));
      else clearTimeout(timer);
    });
    child.on('close', (exitCode, end) => {
      if (child.pid === undefined) return;
      settle(() => resolve({ stdout: Buffer.concat(chunks), exitCode, signal: end }));
    });
    if (input !== undefined) {
      // A child that stops reading early (a usage error, a crash, a kill) breaks the pipe: EPIPE, or ECONNRESET on
      // Windows. That is no fault of the host's; the run's line and exit code say what happened.
      child.stdin.on('error', () => {});
      if (child.pid !== undefined) child.stdin.end(input);
    }
    if (timeoutMs !== undefined) {
      timer = setTimeout(() => stop((exitCode, end) => new StoreBridgeError('timed-out',
        `store-bridge gave no result within ${timeoutMs} ms and was killed`, { exitCode, signal: end, output: output() })),
      timeoutMs);
    }
    signal?.addEventListener('abort', onAbort, { once: true });
  });
}

module.exports = { runBridge };
