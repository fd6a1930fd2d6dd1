'use strict';

// The guide's example of keeping the app current, against the real portable store-bridge.
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { setTimeout: sleep } = require('node:timers/promises');
const { after, test } = require('node:test');
const { updateWatch } = require('../examples/app-updates');
const { traced } = require('./catalogue');

const executable = process.env.STORE_BRIDGE_EXE;
assert.ok(executable, 'STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)');

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'store-bridge-updates-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

const NOTES = 'Contoso.Notes_8wekyb3d8bbwe';
const DICTIONARY = 'Contoso.Notes.Dictionary_8wekyb3d8bbwe';
const REQUEST = 'GetAppAndOptionalStorePackageUpdatesAsync';

let runs = 0;
// A fresh app: what it was shown, and its Store's scenario with a trace.
function app(scenario, everyMs) {
  runs += 1;
  const trace = path.join(scratch, `${runs}.trace`);
  const shown = [];
  const watch = updateWatch((banner) => shown.push(banner),
    { executable, env: { STORE_BRIDGE_SIM: scenario, STORE_BRIDGE_SIM_TRACE: trace } }, everyMs);
  return { watch, shown, requests: () => traced(trace, REQUEST).length };
}

async function until(condition, what) {
  for (const deadline = Date.now() + 10000; !condition();) {
    assert.ok(Date.now() < deadline, `still waiting for ${what}`);
    await sleep(10);
  }
}

test('each answer of the Store is shown, mandatory updates apart; no answer shows nothing', async () => {
  const notes = { packageFamilyName: NOTES, version: '1.4.2.0', mandatory: true };
  const dictionary = { packageFamilyName: DICTIONARY, version: '2.0.0.1', mandatory: false };
  const cases = [
    ['', [{ updates: [], mandatory: [], silent: true }]],
    [`package-update=${NOTES},version=1.4.2.0,mandatory=true;can-silently-download=false`,
      [{ updates: [notes], mandatory: [notes], silent: false }]],
    [`package-update=${NOTES},version=1.4.2.0,mandatory=true;package-update=${DICTIONARY},version=2.0.0.1`,
      [{ updates: [dictionary, notes], mandatory: [notes], silent: true }]],
    // A Store context that cannot say allows no silent download.
    [`package-update=${DICTIONARY},version=2.0.0.1;can-silently-download=missing`,
      [{ updates: [dictionary], mandatory: [], silent: false }]],
    ['request=E_FAIL', []],
    ['results=null', []],
    ['crash=abort', []],
  ];
  for (const [scenario, banners] of cases) {
    const { watch, shown } = app(scenario);
    assert.equal(await watch.check(), banners.length > 0, scenario);
    assert.deepEqual(shown, banners, scenario);
  }
});

test('start checks at once and again on the timer; stop ends both', async () => {
  const { watch, shown, requests } = app(`package-update=${NOTES}`, 20);
  assert.equal(await watch.start(), true);
  await until(() => shown.length >= 3, 'three checks');
  watch.stop();
  const asked = requests();
  // A check the timer started before stop() was killed, not shown.
  assert.ok(asked === shown.length || asked === shown.length + 1, `${asked} requests, ${shown.length} shown`);
  await sleep(100);
  assert.equal(requests(), asked);
});

test('a check in flight is joined by the timer, and killed by stop', async () => {
  const { watch, shown, requests } = app('after=never', 20);
  const first = watch.start();
  await until(() => requests() === 1, 'the first request');
  await sleep(200);
  assert.equal(requests(), 1);
  assert.equal(watch.check(), first);
  watch.stop();
  assert.equal(await first, false);
  assert.deepEqual(shown, []);
});
