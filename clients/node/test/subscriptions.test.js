'use strict';

// SKUs, the app's own product and the customer ID keys against the real portable store-bridge, and the guide's
// subscription example walking a host's path: plans from products, subscribe, access from license and collection.
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { after, test } = require('node:test');
const { app, collectionsId, purchaseId, StoreBridgeError } = require('..');
const { subscription } = require('../examples/subscriptions');
const { encoded, ticks, traced } = require('./catalogue');

const executable = process.env.STORE_BRIDGE_EXE;
assert.ok(executable, 'STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)');

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'store-bridge-subscriptions-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

let runs = 0;
// The options of a run with a fresh trace, and the trace's file.
function traceRun(scenario) {
  runs += 1;
  const trace = path.join(scratch, `${runs}.trace`);
  return [{ executable, env: { STORE_BRIDGE_SIM: scenario, STORE_BRIDGE_SIM_TRACE: trace } }, trace];
}
const sim = (scenario) => ({ executable, env: { STORE_BRIDGE_SIM: scenario } });
const date = (ms) => new Date(ms).toISOString().replace(/\.\d+Z$/, 'Z');

const PRO = '9NBLGGH4SUB1';
const STARTED = date(Date.now() - 5 * 86400000);
const RENEWS = date(Date.now() + 25 * 86400000);
// The offer's SKUs with their terms, and the one the user holds: owned, without terms, as the platform reports it.
const PLANS = [
  { storeId: `${PRO}/0010`, title: 'Monthly', price: '$4.99', billing: '1:month', trial: '7:day' },
  { storeId: `${PRO}/0011`, title: 'Yearly', price: '$49.99', billing: '1:year' },
];
const skuItem = ({ storeId, title, price, billing, trial }) => [
  `sku=${storeId}`, `title=${title}`, `price=${encoded(price)}`, `base-price=${encoded(price)}`,
  'currency=USD', `recurrence-price=${encoded(price)}`, 'subscription=true', `billing=${billing}`,
  ...(trial ? [`trial-period=${trial}`] : []),
].join(',');
const held = [`sku=${PRO}/0012`, 'title=Pro', 'in-collection=true', `acquired=${ticks(STARTED)}`,
  `start=${ticks(STARTED)}`, `end=${ticks(RENEWS)}`].join(',');
const SUBSCRIBED = [
  `product=${PRO},kind=Durable,title=Pro,in-collection=true`, ...PLANS.map(skuItem), held,
  `add-on=${PRO}/0012,expires=${ticks(RENEWS)}`,
].join(';');

test('a subscription host\'s path: plans from products, subscribe, access from license and collection', async () => {
  const [options, trace] = traceRun(SUBSCRIBED);
  const pro = subscription(PRO, path.join(scratch, 'pro.json'), options);
  assert.deepEqual(await pro.plans(), [
    { storeId: `${PRO}/0010`, title: 'Monthly', price: '$4.99', every: '1 month', trial: '7 day' },
    { storeId: `${PRO}/0011`, title: 'Yearly', price: '$49.99', every: '1 year', trial: null },
  ]);
  assert.deepEqual(await pro.subscribe(), { status: 'purchased', error: null, exitCode: 0 });
  assert.deepEqual(traced(trace, 'RequestPurchaseAsync').map(({ storeId }) => storeId), [PRO]);
  // The purchase checked again: the licence and the collection agree on the renewal date.
  assert.equal(traced(trace, 'GetAppLicenseAsync').length, 1);
  assert.equal(traced(trace, 'GetUserCollectionAsync').length, 1);
  assert.deepEqual(await pro.access(), { active: true, expires: RENEWS });
  // Not asked again within the re-check time; asked when forced.
  assert.equal(traced(trace, 'GetAppLicenseAsync').length, 1);
  await pro.access({ force: true });
  assert.equal(traced(trace, 'GetAppLicenseAsync').length, 2);
});

test('access: the licence decides, the collection backs it up, the last answer stands offline', async () => {
  const ended = date(Date.now() - 86400000);
  const heldUntil = (end) => held.replace(`end=${ticks(RENEWS)}`, `end=${ticks(end)}`);
  const catalogue = [`product=${PRO},kind=Durable,title=Pro,in-collection=true`, ...PLANS.map(skuItem)];
  const OFFLINE = 'results=0x80072EE7';
  const cases = [
    // [scenario, expected, then offline]
    [SUBSCRIBED, { active: true, expires: RENEWS }],
    // The licence has not caught up with the purchase yet: the collection's entitlement counts.
    [[...catalogue, held].join(';'), { active: true, expires: RENEWS }],
    [[...catalogue, heldUntil(ended), `add-on=${PRO}/0012,expires=${ticks(ended)}`].join(';'),
      { active: false, expires: null }],
    [[...catalogue, `add-on=${PRO}/0012,active=false`].join(';'), { active: false, expires: null }],
    // Another add-on's licence is not this one's.
    [[...catalogue, 'add-on=9NBLGGH4SUB2/0010'].join(';'), { active: false, expires: null }],
    [OFFLINE, { active: false, expires: null }],
  ];
  for (const [scenario, expected] of cases) {
    const cacheFile = path.join(scratch, `${runs += 1}.json`);
    assert.deepEqual(await subscription(PRO, cacheFile, sim(scenario)).access(), expected, scenario);
    // The next start, offline: what the Store said last stands.
    assert.deepEqual(await subscription(PRO, cacheFile, sim(OFFLINE)).access({ force: true }), expected, scenario);
  }
});

test('app reads the app\'s own product with its SKUs, or none, or the failure', async () => {
  const monthly = {
    storeId: `${PRO}/0010`, title: 'Monthly', description: '', trial: false, subscription: true, price: '$4.99',
    basePrice: '$4.99', currency: 'USD', onSale: false, saleEnds: null, recurrencePrice: '$4.99',
    inCollection: false, billingPeriod: 1, billingPeriodUnit: 'month', trialPeriod: 7, trialPeriodUnit: 'day',
    collection: null,
  };
  const listed = (product) => ({ status: 'ok', product, error: null, exitCode: 0 });
  const game = { storeId: PRO, kind: 'Game', title: 'Pro', description: '', price: '', basePrice: '', currency: '',
    onSale: false, saleEnds: null, recurrencePrice: '', inCollection: false, offerToken: '' };
  const cases = [
    [`app-product=${PRO},kind=Game,title=Pro`, listed({ ...game, skus: [] })],
    [`app-product=${PRO},kind=Game,title=Pro;${skuItem(PLANS[0])}`, listed({ ...game, skus: [monthly] })],
    ['', listed(null)],
    ['app-extended-error=0x803F6107', { status: 'error', code: '0x803F6107', error: '', exitCode: 1 }],
    ['request=none', { status: 'error', code: null, error: 'no operation', exitCode: 1 }],
  ];
  for (const [scenario, expected] of cases) {
    assert.deepEqual(await app(sim(scenario)), expected, scenario);
  }
});

// Quotes, a backslash, line breaks, a NUL's neighbours, non-ASCII and a character outside the BMP.
const TICKET = 'eyJ0eXAi.eyJhdWQiOiJodHRwczovL29uZXN0b3JlLm1pY3Jvc29mdC5jb20ifQ.c2ln "\\\r\n\t\u0001é😀';
const USER = 'user 42 "Zoë"';

test('the ID calls send the ticket and user ID on stdin, exactly, and read the key or the failure', async () => {
  const calls = [[purchaseId, 'GetCustomerPurchaseIdAsync'], [collectionsId, 'GetCustomerCollectionsIdAsync']];
  for (const [call, name] of calls) {
    // A launcher that records the arguments the bridge was started with.
    const args = path.join(scratch, `${name}.args`);
    const launcher = path.join(scratch, `${name}-launcher`);
    fs.writeFileSync(launcher, `#!/bin/sh\nprintf '%s\\n' "$@" > '${args}'\nexec '${executable}' "$@"\n`,
      { mode: 0o755 });
    const [options, trace] = traceRun(`customer-id=${encoded('key.for "you"')}`);
    assert.deepEqual(await call(TICKET, USER, { ...options, executable: launcher }),
      { status: 'ok', id: 'key.for "you"', error: null, exitCode: 0 }, name);
    assert.deepEqual(traced(trace, name).map(({ serviceTicket, publisherUserId }) => [serviceTicket, publisherUserId]),
      [[TICKET, USER]], name);
    // The ticket is never on the command line.
    const word = call === purchaseId ? 'purchase-id' : 'collections-id';
    assert.equal(fs.readFileSync(args, 'utf8'), `${word}\n`);

    const cases = [
      ['', { status: 'ok', id: 'simulated-id', error: null, exitCode: 0 }],
      ['customer-id=', { status: 'error', code: null, error: 'no id', exitCode: 1 }],
      ['results=0x80070525;restricted=Niemand%20angemeldet',
        { status: 'error', code: '0x80070525', error: 'Niemand angemeldet', exitCode: 1 }],
      ['request=none', { status: 'error', code: null, error: 'no operation', exitCode: 1 }],
    ];
    for (const [scenario, expected] of cases) {
      assert.deepEqual(await call('ticket', '', sim(scenario)), expected, `${name} ${scenario}`);
    }
  }
});

test('a request the bridge refuses unread is a usage error, not a broken pipe in the host', async () => {
  // Far above the 64 KiB the bridge reads: it stops reading and exits while the client still writes.
  const huge = 'x'.repeat(1024 * 1024);
  for (const call of [purchaseId, collectionsId]) {
    const [options, trace] = traceRun('');
    const error = await call(huge, 'user', options).catch((e) => e);
    assert.ok(error instanceof StoreBridgeError, String(error));
    assert.equal(error.kind, 'usage');
    assert.equal(error.exitCode, 2);
    assert.ok(!error.message.includes('xxxx') && !error.output.includes('xxxx'));
    const sent = ['GetCustomerPurchaseIdAsync', 'GetCustomerCollectionsIdAsync'].flatMap((name) => traced(trace, name));
    assert.deepEqual(sent, []);
  }
});

test('wrong ID arguments are programming errors, and nothing starts', async () => {
  const missing = path.join(scratch, 'never-started');
  const cases = [
    [[42, 'user'], TypeError], [['ticket', null], TypeError], [[undefined, 'user'], TypeError],
    [['\ud800ticket', 'user'], RangeError], [['ticket', 'user\udc00'], RangeError],
  ];
  for (const call of [purchaseId, collectionsId]) {
    for (const [[ticket, user], kind] of cases) {
      await assert.rejects(call(ticket, user, { executable: missing }), (error) => error instanceof kind
        && !error.message.includes('ticket'), `${call.name} ${String(ticket)} ${String(user)}`);
    }
  }
});
