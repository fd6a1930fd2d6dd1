'use strict';

// Why a run gave the host no result. Failure lines the bridge documents are
// results, not errors: these are only the runs that did not produce one.
class StoreBridgeError extends Error {
  constructor(kind, message, { exitCode = null, signal = null, output = '', cause, lastProgress } = {}) {
    super(message, cause === undefined ? undefined : { cause });
    this.name = 'StoreBridgeError';
    // 'not-started' | 'timed-out' | 'aborted' | 'no-line' | 'bad-line' | 'usage' | 'closedForUpdate'
    this.kind = kind;
    this.exitCode = exitCode;
    this.signal = signal;
    this.output = output; // what stdout held, as text
    // closedForUpdate: the last progress report before the run went, its state or an earlier one's "deploying".
    if (lastProgress !== undefined) this.lastProgress = lastProgress;
  }
}

module.exports = { StoreBridgeError };
