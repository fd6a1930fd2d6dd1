'use strict';

// buy and review against the real portable store-bridge and its simulated Store.
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { getEventListeners } = require('node:events');
const { after, test } = require('node:test');
const { balance, buy, collection, consume, license, products, review, StoreBridgeError } = require('..');
const { alive, pendingRun } = require('./pending-run');

const executable = process.env.STORE_BRIDGE_EXE;
assert.ok(executable, 'STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)');

// Quotes, a backslash, CR LF, a tab and non-ASCII letters, percent-encoded for the scenario.
const AWKWARD = 'Die%20%22Store%22%20sagt:%20C:%5CPfad%0D%0Anicht%20erreichbar%09%C3%BCber%20Caf%C3%A9';
const AWKWARD_READ = 'Die "Store" sagt: C:\\Pfad  nicht erreichbar\tüber Café';

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'store-bridge-node-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

function script(name, body, mode = 0o755) {
  const file = path.join(scratch, name);
  fs.writeFileSync(file, `#!/bin/sh\n${body}\n`, { mode });
  return file;
}

const sim = (scenario) => ({ executable, env: { STORE_BRIDGE_SIM: scenario } });

test('buy resolves every purchase outcome', async () => {
  const cases = [
    ['', { status: 'purchased', error: null, exitCode: 0 }],
    ['purchase=AlreadyPurchased', { status: 'alreadyPurchased', error: null, exitCode: 0 }],
    ['purchase=NotPurchased', { status: 'cancelled', error: null, exitCode: 0 }],
    ['purchase=NetworkError', { status: 'error', error: null, exitCode: 0 }],
    [`results=E_FAIL;restricted=${AWKWARD}`, { status: 'error', error: AWKWARD_READ, exitCode: 1 }],
    ['results=null', { status: 'error', error: 'no result', exitCode: 1 }],
    ['request=none', { status: 'error', error: 'no operation', exitCode: 1 }],
    ['context=E_ACCESSDENIED;restricted=Kein%20Zugriff', { status: 'error', error: 'Kein Zugriff', exitCode: 1 }],
    ['crash=worker;after=50', { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  ];
  for (const [scenario, expected] of cases) {
    assert.deepEqual(await buy('9NBLGGH4R315', sim(scenario)), expected, scenario);
  }
});

test('review resolves every review outcome', async () => {
  const cases = [
    ['', { status: 'succeeded', updated: false, error: null, exitCode: 0 }],
    ['review=NetworkError;updated=true', { status: 'network', updated: true, error: null, exitCode: 0 }],
    ['review=CanceledByUser', { status: 'cancelled', updated: false, error: null, exitCode: 0 }],
    ['review=Error;updated=true', { status: 'error', updated: true, error: null, exitCode: 0 }],
    [`results=E_FAIL;restricted=${AWKWARD}`, { status: 'error', updated: false, error: AWKWARD_READ, exitCode: 1 }],
    ['request=none', { status: 'error', updated: false, error: 'no operation', exitCode: 1 }],
    ['request=E_ACCESSDENIED;restricted=gesperrt', { status: 'error', error: 'gesperrt', exitCode: 1 }],
    ['crash=worker;after=50', { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  ];
  for (const [scenario, expected] of cases) {
    assert.deepEqual(await review(sim(scenario)), expected, scenario);
  }
});

test('review and buy pass the host window in every form and end when it closes', { timeout: 30000 }, async () => {
  const closed = { status: 'error', updated: false, error: 'owner closed', exitCode: 1 };
  const purchaseClosed = { status: 'error', error: 'owner closed', exitCode: 1 };
  const handle = 0x100001092n; // above 32 bits: the whole 8-byte handle must arrive
  const electron = Buffer.alloc(8);
  electron.writeBigUInt64LE(handle);
  for (const window of [4242, 4242n, Buffer.from([0x92, 0x10, 0, 0]), electron]) {
    const declared = BigInt(window instanceof Uint8Array ? (window.length === 8 ? handle : 4242) : window);
    const scenario = `after=never;window=${declared}:0,0,800,600:close=200`;
    assert.deepEqual(await review({ ...sim(scenario), window, timeoutMs: 5000 }), closed, String(window));
    const processEnds = scenario.replace('close=', 'exit=');
    assert.deepEqual(await buy('X', { ...sim(processEnds), window, timeoutMs: 5000 }), purchaseClosed, String(window));
  }
});

test('a run without a line rejects as no-line', async () => {
  const error = await buy('X', sim('crash=abort')).catch((e) => e);
  assert.ok(error instanceof StoreBridgeError);
  assert.equal(error.kind, 'no-line');
  assert.equal(error.signal, 'SIGABRT');
});

test('the time-out kills the run', { timeout: 10000 }, async () => {
  const started = Date.now();
  const error = await review({ ...sim('after=never'), timeoutMs: 300 }).catch((e) => e);
  assert.ok(error instanceof StoreBridgeError);
  assert.equal(error.kind, 'timed-out');
  assert.equal(error.signal, 'SIGKILL');
  assert.ok(Date.now() - started < 3000, `took ${Date.now() - started} ms`);
});

test('an executable that cannot start rejects as not-started', async () => {
  const missing = path.join(scratch, 'no-such-bridge');
  const notExecutable = script('not-executable', 'exit 0', 0o644);
  for (const file of [missing, notExecutable]) {
    await assert.rejects(buy('X', { executable: file }), { name: 'StoreBridgeError', kind: 'not-started' }, file);
  }
});

test('the usage line rejects as usage', async () => {
  // A launcher that loses the arguments, as a broken host wrapper would.
  const launcher = script('argument-loser', `exec "${executable}"`);
  await assert.rejects(buy('X', { executable: launcher }), { kind: 'usage', exitCode: 2 });
});

test('stdout is read to its end, not to its first chunk', async () => {
  const slow = script('slow-line', "printf '{\"status\":\"purch'; sleep 0.3; printf 'ased\",\"error\":null}'");
  assert.deepEqual(await buy('X', { executable: slow }), { status: 'purchased', error: null, exitCode: 0 });
});

test('a line that does not go with its exit code rejects as bad-line', async () => {
  const liar = script('liar', "printf '{\"status\":\"purchased\",\"error\":null}'; exit 1");
  await assert.rejects(buy('X', { executable: liar }), { kind: 'bad-line', exitCode: 1 });
});

test('the package exports its package.json', () => {
  assert.equal(require('store-bridge-client/package.json').name, 'store-bridge-client');
});

test('wrong arguments are refused before anything starts', async () => {
  const { launcher, runs } = pendingRun(scratch, 'refused');
  const cases = [
    [() => buy(42, { executable: launcher }), TypeError],
    [() => buy('X', { executable: '' }), TypeError],
    [() => review({ executable: launcher, window: -1 }), RangeError],
    [() => review({ executable: launcher, timeoutMs: 0 }), RangeError],
    [() => buy('X', { executable: launcher, timeoutMs: -1 }), RangeError],
    [() => buy('X', { executable: launcher, timeoutMs: Number.NaN }), RangeError],
    [() => buy('X', { executable: launcher, timeoutMs: 2 ** 31 }), RangeError],
    [() => buy('X', { executable: launcher, signal: { aborted: false } }), TypeError],
    [() => buy('X', { executable: launcher, signal: true }), TypeError],
    [() => license({ executable: '' }), TypeError],
    [() => license({ executable: launcher, timeoutMs: 0 }), RangeError],
    [() => products({ executable: launcher, kinds: 'Durable' }), TypeError],
    [() => products({ executable: launcher, kinds: [] }), RangeError],
    [() => products({ executable: launcher, kinds: ['Durable', ''] }), RangeError],
    [() => collection({ executable: launcher, kinds: ['Durable,Game'] }), RangeError],
    [() => collection({ executable: launcher, kinds: ['Dura\0ble'] }), RangeError],
    [() => collection({ executable: launcher, kinds: [1] }), TypeError],
    [() => consume(42, 1, { executable: launcher }), TypeError],
    [() => consume('X', '5', { executable: launcher }), TypeError],
    [() => consume('X', 5n, { executable: launcher }), TypeError],
    ...[0, -1, 1.5, 4294967296, Number.NaN, Infinity].map((quantity) =>
      [() => consume('X', quantity, { executable: launcher }), RangeError]),
    ...['', 'x', '6f9619ff8b86d011b42d00c04fc964ff', '{6f9619ff-8b86-d011-b42d-00c04fc964ff',
      '6f9619ff-8b86-d011-b42d-00c04fc964fg', ' 6f9619ff-8b86-d011-b42d-00c04fc964ff'].map((trackingId) =>
      [() => consume('X', 1, { executable: launcher, trackingId }), RangeError]),
    [() => consume('X', 1, { executable: launcher, trackingId: 42 }), TypeError],
    [() => balance(undefined, { executable: launcher }), TypeError],
  ];
  for (const [call, type] of cases) await assert.rejects(call(), type, String(call));
  assert.equal(runs(), 0);
});

test('without a path the bundled program runs; a source checkout carries none and starts nothing', async () => {
  // Packed, bin/ holds the programs (scripts/package; the packaging suite buys through them).
  for (const call of [() => buy('X'), () => review(), () => buy('X', {}), () => license(), () => consume('X', 1)]) {
    await assert.rejects(call(), (error) => error instanceof StoreBridgeError && error.kind === 'not-started' &&
      /no store-bridge program for .*options\.executable/.test(error.message) && error.cause instanceof Error);
  }
});

test('aborting mid-dialog kills the bridge at once and rejects as aborted', { timeout: 10000 }, async () => {
  const { launcher, env, waiting } = pendingRun(scratch, 'abort');
  const controller = new AbortController();
  const run = buy('9NBLGGH4R315', { executable: launcher, env, signal: controller.signal });
  const pid = await waiting();
  assert.ok(alive(pid));
  const reason = new Error('the window closed');
  const aborted = Date.now();
  controller.abort(reason);
  const error = await run.catch((e) => e);
  const took = Date.now() - aborted;
  assert.ok(error instanceof StoreBridgeError);
  assert.equal(error.kind, 'aborted');
  assert.equal(error.cause, reason);
  assert.equal(error.signal, 'SIGKILL');
  assert.equal(alive(pid), false, 'the bridge outlived the abort');
  assert.ok(took < 500, `took ${took} ms`);
});

test('an aborted signal starts nothing', async () => {
  const { launcher, runs } = pendingRun(scratch, 'pre-aborted');
  const error = await buy('X', { executable: launcher, signal: AbortSignal.abort() }).catch((e) => e);
  assert.equal(error.kind, 'aborted');
  assert.equal(error.cause.name, 'AbortError');
  assert.equal(runs(), 0);
});

test('one signal for many runs keeps no listener once they end', async () => {
  const controller = new AbortController();
  for (let run = 0; run < 12; run += 1) {
    const settings = { ...sim(run % 2 ? 'after=now' : 'crash=abort'), signal: controller.signal };
    await buy('X', settings).catch((e) => e);
  }
  assert.equal(getEventListeners(controller.signal, 'abort').length, 0);
  controller.abort(); // after the runs: changes nothing
});
