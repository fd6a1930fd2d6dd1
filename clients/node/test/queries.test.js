'use strict';

// license, products, collection, updates and version against the real portable store-bridge and its simulated Store, and a
// host's whole path through them with the client alone.
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { after, test } = require('node:test');
const { buy, collection, license, products, updates, version } = require('..');
const { CATALOGUE, SKU, LICENCE_EXPIRES, encoded, ticks, catalogueScenario, catalogueProducts, traced } =
  require('./catalogue');

const executable = process.env.STORE_BRIDGE_EXE;
assert.ok(executable, 'STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)');

// The version every build is configured with.
const PROJECT_VERSION = fs.readFileSync(path.join(__dirname, '..', '..', '..', 'CMakeLists.txt'), 'utf8')
  .match(/^project\(store_bridge VERSION (\S+)/m)[1];

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'store-bridge-queries-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

let traces = 0;
const sim = (scenario, extra = {}) => ({ executable, env: { STORE_BRIDGE_SIM: scenario }, ...extra });
// The options of a run with a fresh trace, and the trace's file.
function traceRun(scenario, extra) {
  traces += 1;
  const trace = path.join(scratch, `${traces}.trace`);
  return [{ ...sim(scenario, extra), env: { STORE_BRIDGE_SIM: scenario, STORE_BRIDGE_SIM_TRACE: trace } }, trace];
}

// Quotes, a backslash, CR LF, a tab and non-ASCII letters: the query lines keep the line break.
const AWKWARD = 'Die "Store" sagt: C:\\Pfad\r\nnicht erreichbar\tüber Café';
const FULL = {
  status: 'ok', active: true, trial: false, trialOwned: false, trialSecondsLeft: 0, expires: null, sku: '',
  trialId: '', addOns: [], error: null, exitCode: 0,
};

test('license reads the app licence and its add-on licences', async () => {
  const trialLeft = 86400n * 10000000n + 9999999n; // a day and a fraction: whole seconds, rounded down
  const cases = [
    ['', FULL],
    [['app-trial=true', 'app-trial-owned=true', `app-trial-left=${trialLeft}`,
      `app-expires=${ticks('2026-12-24T18:30:05Z')}`, `app-sku=${encoded('9NBLGGH4R315/0011')}`,
      `app-trial-id=${encoded('trial-1')}`].join(';'),
    { ...FULL, trial: true, trialOwned: true, trialSecondsLeft: 86400, expires: '2026-12-24T18:30:05Z',
      sku: '9NBLGGH4R315/0011', trialId: 'trial-1' }],
    ['app-active=false', { ...FULL, active: false }],
    [[`add-on=${SKU('9NBLGGH4TNMQ')},active=false,token=${encoded(AWKWARD)},expires=0`,
      `add-on=9NBLGGH4TNMP,expires=${ticks(LICENCE_EXPIRES)}`].join(';'),
    { ...FULL, addOns: [
      { storeId: '9NBLGGH4TNMP', sku: '9NBLGGH4TNMP', active: true, expires: LICENCE_EXPIRES, offerToken: '' },
      { storeId: '9NBLGGH4TNMQ', sku: SKU('9NBLGGH4TNMQ'), active: false, expires: null, offerToken: AWKWARD },
    ] }],
    ['add-on-map=null', FULL],
    [`results=E_FAIL;restricted=${encoded(AWKWARD)}`,
      { status: 'error', code: '0x80004005', error: AWKWARD, exitCode: 1 }],
    ['fail=AppLicense.IsActive:E_ACCESSDENIED;restricted=gesperrt',
      { status: 'error', code: '0x80070005', error: 'gesperrt', exitCode: 1 }],
    ['context=E_ACCESSDENIED;restricted=Kein%20Zugriff',
      { status: 'error', code: '0x80070005', error: 'Kein Zugriff', exitCode: 1 }],
    ['apartment=E_FAIL', { status: 'error', error: 'Unspecified error', exitCode: 1 }],
    ['results=null', { status: 'error', code: null, error: 'no result', exitCode: 1 }],
    ['request=none', { status: 'error', code: null, error: 'no operation', exitCode: 1 }],
    ['crash=worker;after=50', { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  ];
  for (const [scenario, expected] of cases) {
    assert.deepEqual(await license(sim(scenario)), expected, scenario);
  }
});

test('products and collection list the catalogue with the kinds asked for, in order', async () => {
  const owned = ['9NBLGGH4TNMQ', '9NBLGGH4CO1N'];
  const cases = [
    [products, undefined, catalogueProducts(owned), ['Durable', 'Consumable', 'UnmanagedConsumable']],
    [products, ['Durable'], catalogueProducts(owned, ['Durable']), ['Durable']],
    // Unchanged and in order, kinds this client does not know included.
    [products, ['Game', 'Consumable', 'Durable'], catalogueProducts(owned, ['Consumable', 'Durable']),
      ['Game', 'Consumable', 'Durable']],
    [collection, undefined, catalogueProducts(owned).filter(({ inCollection }) => inCollection),
      ['Durable', 'Consumable', 'UnmanagedConsumable']],
    [collection, ['Durable', 'Game'], catalogueProducts(owned, ['Durable']).filter(({ inCollection }) => inCollection),
      ['Durable', 'Game']],
  ];
  for (const [query, kinds, expected, received] of cases) {
    const [options, trace] = traceRun(catalogueScenario(owned), { kinds });
    const what = `${query.name} ${kinds}`;
    assert.deepEqual(await query(options), { status: 'ok', products: expected, error: null, exitCode: 0 }, what);
    const call = query === products ? 'GetAssociatedStoreProductsAsync' : 'GetUserCollectionAsync';
    assert.deepEqual(traced(trace, call).map((entry) => entry.kinds), [received], what);
  }
});

test('a product query failure keeps its code and its words; a missing object gives empty values', async () => {
  const cases = [
    ['', { status: 'ok', products: [], error: null, exitCode: 0 }],
    ['product=9NBLGGH4TNMP,pricing=none,in-collection=true', { status: 'ok', products: [{
      storeId: '9NBLGGH4TNMP', kind: 'Durable', title: '', description: '', price: '', basePrice: '', currency: '',
      onSale: false, saleEnds: null, recurrencePrice: '', inCollection: true, offerToken: '', skus: [],
    }], error: null, exitCode: 0 }],
    ['product-map=null', { status: 'ok', products: [], error: null, exitCode: 0 }],
    // A code's own words may be empty (the system has none for this one here).
    ['extended-error=0x803F6107', { status: 'error', code: '0x803F6107', error: '', exitCode: 1 }],
    ['extended-error=E_ACCESSDENIED', { status: 'error', code: '0x80070005', error: 'Access is denied.', exitCode: 1 }],
    ['product=9NBLGGH4TNMP,in-collection=true;fail=Price.FormattedPrice:E_FAIL;restricted=x',
      { status: 'error', code: '0x80004005', error: 'x', exitCode: 1 }],
    ['request=E_ACCESSDENIED;restricted=Kein%20Zugriff',
      { status: 'error', code: '0x80070005', error: 'Kein Zugriff', exitCode: 1 }],
  ];
  for (const query of [products, collection]) {
    for (const [scenario, expected] of cases) {
      assert.deepEqual(await query(sim(scenario)), expected, `${query.name} ${scenario}`);
    }
  }
});

test('updates lists the Store\'s updates by family name, and whether it may download them silently', async () => {
  const NOTES = 'Contoso.Notes_8wekyb3d8bbwe';
  const found = (list, canSilentlyDownload = true) =>
    ({ status: 'ok', updates: list, canSilentlyDownload, error: null, exitCode: 0 });
  const update = (packageFamilyName, version = '1.0.0.0', mandatory = false) =>
    ({ packageFamilyName, version, mandatory });
  const cases = [
    ['', found([])],
    [`package-update=${NOTES},version=1.4.2.0,mandatory=true;can-silently-download=false`,
      found([update(NOTES, '1.4.2.0', true)], false)],
    [`can-silently-download=missing;package-update=${NOTES}`, found([update(NOTES)], null)],
    // Given out of order; a family name with what the line must escape.
    [[`package-update=${encoded('Zé"\\')},version=65535.65535.65535.65535`, `package-update=${NOTES}`,
      'package-update=Contoso.Notes.Dictionary_8wekyb3d8bbwe,version=2.0.0.1,mandatory=true'].join(';'),
    found([update('Contoso.Notes.Dictionary_8wekyb3d8bbwe', '2.0.0.1', true), update(NOTES),
      update('Zé"\\', '65535.65535.65535.65535')])],
    ['request=E_FAIL', { status: 'error', code: '0x80004005', error: 'Unspecified error', exitCode: 1 }],
    [`package-update=${NOTES};fail=PackageId.Version:E_ACCESSDENIED;restricted=${encoded(AWKWARD)}`,
      { status: 'error', code: '0x80070005', error: AWKWARD, exitCode: 1 }],
    ['results=null', { status: 'error', code: null, error: 'no result', exitCode: 1 }],
    ['results=E_OUTOFMEMORY', { status: 'error', error: 'bad allocation', exitCode: 1 }],
    ['crash=worker;after=50', { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  ];
  for (const [scenario, expected] of cases) {
    assert.deepEqual(await updates(sim(scenario)), expected, scenario);
  }
});

test('version reads the version and the package identity the run has', async () => {
  const known = (name, elevated = false) =>
    ({ status: 'ok', version: PROJECT_VERSION, package: name, elevated, error: null, exitCode: 0 });
  const cases = [
    ['', known(null)],
    ['elevated=true', known(null, true)],
    ['elevated=false', known(null, false)],
    ['package=Contoso.Game_1.4.2.0_x64__8wekyb3d8bbwe', known('Contoso.Game_1.4.2.0_x64__8wekyb3d8bbwe')],
    [`package=${encoded('a"b\\cé')}`, known('a"b\\cé')],
    // Longer than a package full name can be: the platform refuses it.
    [`package=${'p'.repeat(128)}`,
      { status: 'error', error: 'The data area passed to a system call is too small.', exitCode: 1 }],
    ['apartment=E_FAIL', { status: 'error', error: 'Unspecified error', exitCode: 1 }],
  ];
  for (const [scenario, expected] of cases) {
    assert.deepEqual(await version(sim(scenario)), expected, scenario);
  }
});

// What a host does: show the offers, sell one, unlock it from the licence, and find it in the user's collection.
test('a host\'s whole path: products, buy, license, collection', async () => {
  const before = catalogueScenario(['9NBLGGH4CO1N']);
  const after = catalogueScenario(['9NBLGGH4CO1N', '9NBLGGH4TNMP']);

  const offered = await products(sim(before, { kinds: ['Durable'] }));
  assert.equal(offered.exitCode, 0);
  const forSale = offered.products.filter(({ inCollection }) => !inCollection);
  assert.deepEqual(forSale.map(({ storeId }) => storeId), ['9NBLGGH4TNMP', '9NBLGGH4TNMQ']);
  const gold = forSale[0];
  assert.deepEqual([gold.title, gold.price, gold.onSale], [CATALOGUE[1].title, '$1.99', true]);

  const [buyOptions, trace] = traceRun(before);
  assert.deepEqual(await buy(gold.storeId, buyOptions), { status: 'purchased', error: null, exitCode: 0 });
  assert.deepEqual(traced(trace, 'RequestPurchaseAsync').map(({ storeId }) => storeId), [gold.storeId]);

  const licensed = await license(sim(after));
  assert.equal(licensed.exitCode, 0);
  const unlocked = licensed.addOns.filter(({ active }) => active);
  // The licence names the product by the Store ID that products and buy use.
  assert.deepEqual(unlocked.map(({ storeId, offerToken }) => [storeId, offerToken]), [[gold.storeId, gold.offerToken]]);
  assert.equal(unlocked[0].expires, LICENCE_EXPIRES);

  const owned = await collection(sim(after));
  assert.equal(owned.exitCode, 0);
  assert.deepEqual(owned.products.map(({ storeId }) => storeId), ['9NBLGGH4CO1N', gold.storeId]);
  assert.deepEqual(owned.products[1], { ...gold, inCollection: true });
});
