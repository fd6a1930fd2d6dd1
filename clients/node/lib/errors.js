'use strict';

// Why a run gave the host no result. Failure lines the bridge documents are
// results, not errors: these are only the runs that did not produce one.
class StoreBridgeError extends Error {
  constructor(kind, message, { exitCode = null, signal = null, output = '', cause } = {}) {
    super(message, cause === undefined ? undefined : { cause });
    this.name = 'StoreBridgeError';
    this.kind = kind; // 'not-started' | 'timed-out' | 'aborted' | 'no-line' | 'bad-line' | 'usage'
    this.exitCode = exitCode;
    this.signal = signal;
    this.output = output; // what stdout held, as text
  }
}

module.exports = { StoreBridgeError };
