'use strict';

const { StoreBridgeError } = require('./errors');
const { readProgressLine, readResultLine } = require('./result-line');

// What update writes with --progress: whole lines, each ending in "\n", are progress reports, handed on as they
// arrive; whatever follows the last "\n" is the result line. Chunks split lines anywhere, so the tail of one is kept
// for the next.
function updateStream(onProgress) {
  let pending = Buffer.alloc(0);
  let lastProgress = null;
  let deploying = false;

  function feed(chunk) {
    pending = pending.length === 0 ? chunk : Buffer.concat([pending, chunk]);
    for (let end = pending.indexOf(0x0a); end !== -1; end = pending.indexOf(0x0a)) {
      const progress = readProgressLine(pending.subarray(0, end + 1));
      pending = pending.subarray(end + 1);
      lastProgress = progress;
      deploying ||= progress.state === 'deploying';
      onProgress?.(progress);
    }
  }

  // The result once the run has ended by itself.
  function finish(exitCode, signal, stdout) {
    if (pending.length > 0) return readResultLine('update', pending, exitCode);
    const how = signal ? `signal ${signal}` : `exit code ${exitCode}`;
    const details = { exitCode, signal, output: stdout.toString('utf8') };
    if (deploying) {
      // Windows closes an app whose package it installs, and the bridge started from it goes too.
      throw new StoreBridgeError('closedForUpdate',
        `store-bridge ended without a result line while the update installed (${how})`, { ...details, lastProgress });
    }
    throw new StoreBridgeError('no-line', `store-bridge ended without a result line (${how})`, details);
  }

  return { feed, finish };
}

module.exports = { updateStream };
