'use strict';

// Host side of store-bridge: start it, read its one result line, hand back a
// typed result. Failure lines are results (status "error", exitCode 1); only a
// run without a usable line rejects, with a StoreBridgeError.
const { StoreBridgeError } = require('./lib/errors');
const { exePath } = require('./lib/exe-path');
const { readResultLine } = require('./lib/result-line');
const { customerIdRequest, kindsArgument, quantityArgument, trackingIdArgument } = require('./lib/arguments');
const { runBridge } = require('./lib/run');
const { updateStream } = require('./lib/update-stream');
const { windowArgument } = require('./lib/window-handle');

// The program this package carries or the app ships (lib/exe-path.js); a host
// that has none for this platform hears it the way it hears a missing file.
function defaultExecutable() {
  try {
    return exePath();
  } catch (cause) {
    throw new StoreBridgeError('not-started', cause.message, { cause });
  }
}

// The one way every command runs: the command word, its arguments, the caller's options.
// stream, when given, reads stdout as it arrives and gives the result at the end (update's progress lines); input,
// when given, is written to the bridge's stdin, which is then ended.
async function run(command, args, options, stream, input) {
  const { executable = defaultExecutable(), env, timeoutMs, signal } = options ?? {};
  if (typeof executable !== 'string' || executable === '') {
    throw new TypeError('options.executable must name the store-bridge executable');
  }
  const { stdout, exitCode, signal: end } = await runBridge(executable, [command, ...args],
    { env, timeoutMs, signal, onStdout: stream?.feed, input });
  if (stream) return stream.finish(exitCode, end, stdout);
  if (stdout.length === 0) {
    const how = end ? `signal ${end}` : `exit code ${exitCode}`;
    throw new StoreBridgeError('no-line', `store-bridge ended without a result line (${how})`, { exitCode, signal: end });
  }
  return readResultLine(command, stdout, exitCode);
}

function storeIdArgument(storeId) {
  if (typeof storeId !== 'string') throw new TypeError('storeId must be a string');
  return storeId;
}

async function buy(storeId, options) {
  const handle = windowArgument(options?.window);
  return run('buy', [storeIdArgument(storeId), ...(handle === undefined ? [] : [handle])], options);
}

async function review(options) {
  const handle = windowArgument(options?.window);
  return run('review', handle === undefined ? [] : [handle], options);
}

async function license(options) {
  return run('license', [], options);
}

async function products(options) {
  return run('products', kindsArgument(options?.kinds), options);
}

async function collection(options) {
  return run('collection', kindsArgument(options?.kinds), options);
}

async function consume(storeId, quantity, options) {
  const args = [storeIdArgument(storeId), quantityArgument(quantity), ...trackingIdArgument(options?.trackingId)];
  return run('consume', args, options);
}

async function balance(storeId, options) {
  return run('balance', [storeIdArgument(storeId)], options);
}

async function updates(options) {
  return run('updates', [], options);
}

// Always with --progress: a host that passes no onProgress still learns from the reports whether the update was
// installing when the run went (closedForUpdate).
async function update(options) {
  const { downloadOnly = false, silent = false, onProgress } = options ?? {};
  if (typeof downloadOnly !== 'boolean') throw new TypeError('downloadOnly must be a boolean');
  if (typeof silent !== 'boolean') throw new TypeError('silent must be a boolean');
  if (onProgress !== undefined && onProgress !== null && typeof onProgress !== 'function') {
    throw new TypeError('onProgress must be a function');
  }
  const handle = windowArgument(options?.window);
  const args = [
    ...(downloadOnly ? ['--download-only'] : []), ...(silent ? ['--silent'] : []), '--progress',
    ...(handle === undefined ? [] : [handle]),
  ];
  return run('update', args, options, updateStream(onProgress ?? undefined));
}

async function app(options) {
  return run('app', [], options);
}

// The service ticket is a bearer token: it goes to the bridge's stdin, never on its command line, where every process
// of the user can read it.
async function purchaseId(serviceTicket, publisherUserId, options) {
  return run('purchase-id', [], options, undefined, customerIdRequest(serviceTicket, publisherUserId));
}

async function collectionsId(serviceTicket, publisherUserId, options) {
  return run('collections-id', [], options, undefined, customerIdRequest(serviceTicket, publisherUserId));
}

async function version(options) {
  return run('version', [], options);
}

module.exports = {
  buy, review, license, products, collection, consume, balance, updates, update, app, purchaseId, collectionsId,
  version, readResultLine, exePath, StoreBridgeError,
};
