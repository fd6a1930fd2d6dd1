'use strict';

// consume and balance against the real portable store-bridge: every answer, and the tracking ID as the simulated
// Store's trace shows it arriving.
const assert = require('node:assert/strict');
const { randomUUID } = require('node:crypto');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { after, test } = require('node:test');
const { balance, consume } = require('..');
const { traced } = require('./catalogue');

const executable = process.env.STORE_BRIDGE_EXE;
assert.ok(executable, 'STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)');

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'store-bridge-consumables-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

let traces = 0;
function traceRun(scenario, extra = {}) {
  traces += 1;
  const trace = path.join(scratch, `${traces}.trace`);
  return [{ executable, env: { STORE_BRIDGE_SIM: scenario, STORE_BRIDGE_SIM_TRACE: trace }, ...extra }, trace];
}

const COINS = '9NBLGGH4CO1N';
const ID = '6f9619ff-8b86-d011-b42d-00c04fc964ff';
// Version 4, RFC 4122 variant: what CoCreateGuid makes.
const RANDOM_GUID = /^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$/;

// [scenario, the answer's members beside the tracking ID, exit code]
const ANSWERS = [
  ['', { status: 'succeeded', balance: 0, code: null, error: null }, 0],
  ['balance=4294967295', { status: 'succeeded', balance: 4294967295, code: null, error: null }, 0],
  ['consumable=InsufficientQuantity;balance=3',
    { status: 'insufficientQuantity', balance: 3, code: null, error: null }, 0],
  // The status word stands beside a failing extended error.
  ['consumable=NetworkError;extended-error=0x80072EE7',
    { status: 'network', balance: 0, code: '0x80072EE7', error: null }, 0],
  ['consumable=ServerError', { status: 'server', balance: 0, code: null, error: null }, 0],
  ['consumable=7;balance=1;extended-error=S_FALSE', { status: 'error', balance: 1, code: null, error: null }, 0],
  ['results=E_FAIL;restricted=nicht%0D%0Aerreichbar',
    { status: 'error', code: '0x80004005', error: 'nicht\r\nerreichbar' }, 1],
  ['fail=ConsumableResult.BalanceRemaining:E_ACCESSDENIED;restricted=gesperrt',
    { status: 'error', code: '0x80070005', error: 'gesperrt' }, 1],
  ['results=null', { status: 'error', code: null, error: 'no result' }, 1],
  ['request=none', { status: 'error', code: null, error: 'no operation' }, 1],
];

test('consume reports every answer with the tracking ID it sent', async () => {
  for (const [scenario, answer, exitCode] of ANSWERS) {
    const [options, trace] = traceRun(scenario, { trackingId: `{${ID.toUpperCase()}}` });
    assert.deepEqual(await consume(COINS, 5, options), { ...answer, trackingId: ID, exitCode }, scenario);
    const [sent] = traced(trace, 'ReportConsumableFulfillmentAsync');
    assert.deepEqual([sent.storeId, sent.quantity, sent.trackingId], [COINS, 5, ID], scenario);
  }
});

test('balance reports every answer', async () => {
  for (const [scenario, answer, exitCode] of ANSWERS) {
    const [options, trace] = traceRun(scenario);
    assert.deepEqual(await balance(COINS, options), { ...answer, exitCode }, scenario);
    assert.deepEqual(traced(trace, 'GetConsumableBalanceRemainingAsync').map(({ storeId }) => storeId), [COINS]);
  }
});

test('without a tracking ID each run sends a fresh random one and reports it', async () => {
  const sent = [];
  for (const scenario of ['', 'results=E_FAIL']) {
    for (let run = 0; run < 2; run += 1) {
      const [options, trace] = traceRun(scenario);
      const result = await consume(COINS, 4294967295, options);
      const [call] = traced(trace, 'ReportConsumableFulfillmentAsync');
      assert.match(result.trackingId, RANDOM_GUID, scenario);
      assert.deepEqual([call.trackingId, call.quantity], [result.trackingId, 4294967295], scenario);
      sent.push(result.trackingId);
    }
  }
  assert.equal(new Set(sent).size, sent.length, `a tracking ID came twice: ${sent}`);
});

// The host stores a tracking ID, fails to report, and retries with the same one: the Store sees it twice, intact.
test('a retry after network or a failed run sends the same tracking ID', async () => {
  const trackingId = randomUUID();
  const attempts = [['consumable=NetworkError', 'network'], ['results=E_FAIL', 'error'], ['', 'succeeded']];
  for (const [scenario, status] of attempts) {
    const [options, trace] = traceRun(scenario, { trackingId });
    const result = await consume(COINS, 1, options);
    assert.deepEqual([result.status, result.trackingId], [status, trackingId], scenario);
    assert.equal(traced(trace, 'ReportConsumableFulfillmentAsync')[0].trackingId, trackingId, scenario);
  }
});
