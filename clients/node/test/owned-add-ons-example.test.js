'use strict';

// The guide's example of unlocking what the user owns, against the real portable store-bridge.
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { after, test } = require('node:test');
const { ownedAddOns } = require('../examples/owned-add-ons');
const { SKU, ticks, traced } = require('./catalogue');

const executable = process.env.STORE_BRIDGE_EXE;
assert.ok(executable, 'STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)');

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'store-bridge-owned-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

const GOLD = '9NBLGGH4TNMP';
const SILVER = '9NBLGGH4TNMQ';
const MONTHLY = '9NBLGGH4SUB1';
const OFFLINE = 'results=0x80072EE7;restricted=The%20server%20name%20cannot%20be%20resolved.';
const later = new Date(Date.now() + 86400000).toISOString().replace(/\.\d+Z$/, 'Z');
const earlier = new Date(Date.now() - 86400000).toISOString().replace(/\.\d+Z$/, 'Z');
const licenses = [
  `add-on=${SKU(GOLD)}`,
  `add-on=${SKU(SILVER)},active=false`,
  `add-on=${SKU(MONTHLY)},expires=${ticks(later)}`,
].join(';');

let runs = 0;
// A fresh app: its cache file, and its Store's scenario with a trace.
function app(scenario, cacheFile = path.join(scratch, `${runs += 1}.json`)) {
  const trace = path.join(scratch, `${runs}.trace`);
  const env = { STORE_BRIDGE_SIM: scenario, STORE_BRIDGE_SIM_TRACE: trace };
  const owned = ownedAddOns(cacheFile, { executable, env });
  return { owned, cacheFile, licenseChecks: () => traced(trace, 'GetAppLicenseAsync').length };
}
const ownership = (owned) => [GOLD, SILVER, MONTHLY].filter((storeId) => owned.has(storeId));

test('the start-up check unlocks the active licences and keeps them for an offline start', async () => {
  const online = app(licenses);
  assert.equal(await online.owned.check(), true);
  assert.deepEqual(ownership(online.owned), [GOLD, MONTHLY]);

  for (const scenario of [OFFLINE, 'request=none', 'crash=abort']) {
    const offline = app(scenario, online.cacheFile);
    assert.equal(await offline.owned.check(), false, scenario);
    assert.deepEqual(ownership(offline.owned), [GOLD, MONTHLY], scenario);
  }
  // Nothing known yet, and no answer: nothing unlocked.
  const firstStart = app(OFFLINE);
  assert.equal(await firstStart.owned.check(), false);
  assert.deepEqual(ownership(firstStart.owned), []);
});

test('a cached subscription ends on its date, offline too', async () => {
  const online = app(`add-on=${SKU(MONTHLY)},expires=${ticks(earlier)}`);
  await online.owned.check();
  const offline = app(OFFLINE, online.cacheFile);
  await offline.owned.check();
  assert.deepEqual(ownership(offline.owned), []);
});

test('a purchase that bought or found the add-on checks the licence again', async () => {
  const cases = [
    ['purchase=Succeeded', 1, [GOLD]],
    ['purchase=AlreadyPurchased', 1, [GOLD]],
    ['purchase=NotPurchased', 0, []],
    ['purchase=NetworkError', 0, []],
    ['results=E_FAIL', 0, []],
  ];
  for (const [purchase, checks, unlocked] of cases) {
    const shop = app(`${purchase};add-on=${SKU(GOLD)}`);
    await shop.owned.buy(GOLD);
    assert.equal(shop.licenseChecks(), checks, purchase);
    assert.deepEqual(ownership(shop.owned), unlocked, purchase);
  }
  // Bought while the licence cannot be read: the purchase alone unlocks until the Store answers.
  const offline = app('fail=AppLicense.AddOnLicenses:0x80072EE7');
  await offline.owned.buy(GOLD);
  assert.deepEqual(ownership(offline.owned), [GOLD]);
});
