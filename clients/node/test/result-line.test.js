'use strict';

const assert = require('node:assert/strict');
const { test } = require('node:test');
const { readResultLine } = require('..');
const { readProgressLine } = require('../lib/result-line');

const CRASH = '{"status":"error","updated":false,"error":"crash"}';

// The lines of the later commands as the bridge writes them, and their results.
const ADD_ON = { storeId: '9NBLGGH4TNMP', sku: '9NBLGGH4TNMP/0010', active: true, expires: '2027-03-01T00:00:00Z',
  offerToken: 'gold' };
const LICENSE = { status: 'ok', active: true, trial: false, trialOwned: false, trialSecondsLeft: 0, expires: null,
  sku: '9NBLGGH4R315/0010', trialId: '', addOns: [ADD_ON], error: null };
const OWNED = { trial: false, acquired: '2026-11-02T09:15:00Z', start: '2026-11-02T09:15:00Z',
  end: '2026-12-02T09:15:00Z', trialSecondsLeft: 0 };
const MONTHLY = { storeId: '9NBLGGH4TNMP/0010', title: 'Monthly', description: '', trial: false, subscription: true,
  price: '$4.99', basePrice: '$4.99', currency: 'USD', onSale: false, saleEnds: null, recurrencePrice: '$4.99',
  inCollection: false, billingPeriod: 1, billingPeriodUnit: 'month', trialPeriod: 7, trialPeriodUnit: 'day',
  collection: null };
// Owned, without subscription terms: how the platform reports a subscription the user holds.
const HELD = { ...MONTHLY, storeId: '9NBLGGH4TNMP/0011', subscription: false, inCollection: true, billingPeriod: null,
  billingPeriodUnit: null, trialPeriod: null, trialPeriodUnit: null, collection: OWNED };
const PRODUCT = { storeId: '9NBLGGH4TNMP', kind: 'Durable', title: 'Gold', description: 'Line one\nLine two',
  price: '$1.99', basePrice: '$2.99', currency: 'USD', onSale: true, saleEnds: '2027-01-01T00:00:00Z',
  recurrencePrice: '', inCollection: false, offerToken: 'gold', skus: [MONTHLY, HELD] };
const APP = { status: 'ok', product: { ...PRODUCT, storeId: '9NBLGGH4R315', kind: 'Game' }, error: null };
const ID = { status: 'ok', id: 'eyJ0eXAiOiJKV1QiLCJhbGciOiJSUzI1NiJ9.e30.c2ln', error: null };
// A line whose product's first SKU has these members changed.
const skuChanged = (changes) => json({ ...PRODUCTS, products: [{ ...PRODUCT, skus: [{ ...MONTHLY, ...changes }] }] });
const skuRead = (changes) => success({ ...PRODUCTS, products: [{ ...PRODUCT, skus: [{ ...MONTHLY, ...changes }] }] });
const PRODUCTS = { status: 'ok', products: [PRODUCT, { ...PRODUCT, storeId: '9NBLGGH4TNMQ', saleEnds: null }],
  error: null };
const GUID = '6f9619ff-8b86-d011-b42d-00c04fc964ff';
const CONSUMED = { status: 'succeeded', balance: 4, trackingId: GUID, code: null, error: null };
const BALANCE = { status: 'succeeded', balance: 4, code: null, error: null };
const VERSION = { status: 'ok', version: '0.2.0', package: null, elevated: false, error: null };
const PACKAGE = 'Contoso.Game_1.4.2.0_x64__8wekyb3d8bbwe';
const NOTES_UPDATE = { packageFamilyName: 'Contoso.Notes_8wekyb3d8bbwe', version: '1.4.2.0', mandatory: true };
const UPDATES = { status: 'ok', updates: [NOTES_UPDATE,
  { packageFamilyName: 'Contoso.Notes.Dictionary_8wekyb3d8bbwe', version: '65535.0.65535.0', mandatory: false }],
canSilentlyDownload: true, error: null };
const NOTES = 'Contoso.Notes_8wekyb3d8bbwe';
const DICTIONARY = 'Contoso.Notes.Dictionary_8wekyb3d8bbwe';
const UPDATED = { status: 'completed', packages: [{ packageFamilyName: NOTES, state: 'completed' }], error: null };
const UPDATE_STATES = ['pending', 'downloading', 'deploying', 'completed', 'cancelled', 'error', 'errorLowBattery',
  'errorWiFiRecommended', 'errorWiFiRequired'];
const json = (line) => JSON.stringify(line);
const success = (line) => ({ ...line, exitCode: 0 });
// A line with one member changed, at the top or in its first entry.
const changed = (line, member, value) => json({ ...line, [member]: value });
const entryChanged = (line, list, member, value) => json({ ...line, [list]: [{ ...line[list][0], [member]: value }] });

// [command, stdout, exit code, the result]
const RESULTS = [
  ['buy', '{"status":"purchased","error":null}', 0, { status: 'purchased', error: null, exitCode: 0 }],
  ['buy', '{"status":"alreadyPurchased","error":null}', 0, { status: 'alreadyPurchased', error: null, exitCode: 0 }],
  ['buy', '{"status":"error","error":null}', 0, { status: 'error', error: null, exitCode: 0 }],
  ['buy', '{"status":"error","error":"no operation"}', 1, { status: 'error', error: 'no operation', exitCode: 1 }],
  ['buy', CRASH, 1, { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  ['buy', '{"error":"Access is denied."}', 1, { status: 'error', error: 'Access is denied.', exitCode: 1 }],
  ['buy', '{"error":""}', 1, { status: 'error', error: '', exitCode: 1 }],
  ['review', '{"status":"network","updated":true,"error":null}', 0,
    { status: 'network', updated: true, error: null, exitCode: 0 }],
  ['review', '{"status":"error","updated":false,"error":null}', 0,
    { status: 'error', updated: false, error: null, exitCode: 0 }],
  ['review', '{"status":"error","updated":false,"error":"owner closed"}', 1,
    { status: 'error', updated: false, error: 'owner closed', exitCode: 1 }],
  ['review', CRASH, 1, { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  // A general failure whose text happens to be "usage" is told apart by its exit code.
  ['review', '{"error":"usage"}', 1, { status: 'error', error: 'usage', exitCode: 1 }],
  ['buy', '{"error":"a\\"b\\\\c\\u0009d \\":e ü"}', 1, { status: 'error', error: 'a"b\\c\td ":e ü', exitCode: 1 }],
  // Members a later bridge may add are ignored, whatever their value.
  ['buy', '{"status":"purchased","error":null,"extra":1}', 0, { status: 'purchased', error: null, exitCode: 0 }],
  ['buy', '{"code":"0x80070005","status":"error","error":"denied"}', 1, { status: 'error', error: 'denied', exitCode: 1 }],
  ['buy', '{"error":"x","details":{"code":[1,{"a":null}]}}', 1, { status: 'error', error: 'x', exitCode: 1 }],
  ['review', '{"status":"succeeded","updated":true,"error":null,"at":"2027-01-01"}', 0,
    { status: 'succeeded', updated: true, error: null, exitCode: 0 }],
  ['review', '{"status":"error","updated":false,"error":"crash","thread":"worker"}', 1,
    { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  ['license', json(LICENSE), 0, success(LICENSE)],
  ['license', changed(LICENSE, 'addOns', []), 0, success({ ...LICENSE, addOns: [] })],
  ['license', json({ ...LICENSE, trial: true, trialSecondsLeft: 86399, expires: '9998-12-31T23:59:59Z' }), 0,
    success({ ...LICENSE, trial: true, trialSecondsLeft: 86399, expires: '9998-12-31T23:59:59Z' })],
  ['products', json(PRODUCTS), 0, success(PRODUCTS)],
  ['collection', json(PRODUCTS), 0, success(PRODUCTS)],
  ['collection', '{"status":"ok","products":[],"error":null}', 0,
    { status: 'ok', products: [], error: null, exitCode: 0 }],
  ['license', '{"status":"error","code":"0x803F6107","error":"TEXT"}', 1,
    { status: 'error', code: '0x803F6107', error: 'TEXT', exitCode: 1 }],
  // A code's own words may be empty; without a code the text says why.
  ['products', '{"status":"error","code":"0xC0000005","error":""}', 1,
    { status: 'error', code: '0xC0000005', error: '', exitCode: 1 }],
  ['balance', '{"status":"error","code":null,"error":"no operation"}', 1,
    { status: 'error', code: null, error: 'no operation', exitCode: 1 }],
  ['license', '{"error":"Not enough memory resources are available to complete this operation."}', 1,
    { status: 'error', error: 'Not enough memory resources are available to complete this operation.', exitCode: 1 }],
  ['collection', CRASH, 1, { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  ['consume', json(CONSUMED), 0, success(CONSUMED)],
  // The status word stands beside a failing extended error.
  ['consume', json({ ...CONSUMED, status: 'network', balance: 4294967295, code: '0x80072EE7' }), 0,
    success({ ...CONSUMED, status: 'network', balance: 4294967295, code: '0x80072EE7' })],
  ['consume', json({ status: 'error', code: '0x80070005', trackingId: GUID, error: 'denied' }), 1,
    { status: 'error', code: '0x80070005', trackingId: GUID, error: 'denied', exitCode: 1 }],
  ['consume', json({ status: 'error', code: null, trackingId: GUID, error: 'no result' }), 1,
    { status: 'error', code: null, trackingId: GUID, error: 'no result', exitCode: 1 }],
  ['consume', CRASH, 1, { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  ['balance', json(BALANCE), 0, success(BALANCE)],
  ['balance', json({ ...BALANCE, status: 'insufficientQuantity', balance: 0 }), 0,
    success({ ...BALANCE, status: 'insufficientQuantity', balance: 0 })],
  // Members a later bridge may add, in entries too, are ignored.
  ['license', json({ ...LICENSE, addOns: [{ ...ADD_ON, kind: 'Durable' }], user: 'x' }), 0, success(LICENSE)],
  ['products', entryChanged(PRODUCTS, 'products', 'rating', 4.5), 0,
    success({ ...PRODUCTS, products: [PRODUCT] })],
  ['updates', json(UPDATES), 0, success(UPDATES)],
  ['updates', json({ ...UPDATES, updates: [] }), 0, success({ ...UPDATES, updates: [] })],
  ['updates', changed(UPDATES, 'canSilentlyDownload', false), 0, success({ ...UPDATES, canSilentlyDownload: false })],
  ['updates', changed(UPDATES, 'canSilentlyDownload', null), 0, success({ ...UPDATES, canSilentlyDownload: null })],
  // A family name is the Store's text, whatever it holds.
  ['updates', entryChanged(UPDATES, 'updates', 'packageFamilyName', ''), 0,
    success({ ...UPDATES, updates: [{ ...NOTES_UPDATE, packageFamilyName: '' }] })],
  ['updates', entryChanged(UPDATES, 'updates', 'version', '0.0.0.0'), 0,
    success({ ...UPDATES, updates: [{ ...NOTES_UPDATE, version: '0.0.0.0' }] })],
  ['updates', json({ ...UPDATES, updates: [{ ...NOTES_UPDATE, architecture: 'x64' }], downloadSize: 1 }), 0,
    success({ ...UPDATES, updates: [NOTES_UPDATE] })],
  ['updates', '{"status":"error","code":"0x80070005","error":"TEXT"}', 1,
    { status: 'error', code: '0x80070005', error: 'TEXT', exitCode: 1 }],
  ['updates', '{"status":"error","code":null,"error":"no result"}', 1,
    { status: 'error', code: null, error: 'no result', exitCode: 1 }],
  ['updates', '{"error":"bad allocation"}', 1, { status: 'error', error: 'bad allocation', exitCode: 1 }],
  ['updates', CRASH, 1, { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  ['update', json(UPDATED), 0, success(UPDATED)],
  ['update', '{"status":"noUpdates","packages":[],"error":null}', 0,
    { status: 'noUpdates', packages: [], error: null, exitCode: 0 }],
  // Each state stands for the call and for a package, whatever the other is.
  ...UPDATE_STATES.map((state) => {
    const line = { status: state, packages: [{ packageFamilyName: DICTIONARY, state: 'error' },
      { packageFamilyName: NOTES, state }], error: null };
    return ['update', json(line), 0, success(line)];
  }),
  ['update', json({ ...UPDATED, packages: [] }), 0, success({ ...UPDATED, packages: [] })],
  ['update', json({ ...UPDATED, packages: [{ packageFamilyName: NOTES, state: 'completed', version: '1.4.2.0' }],
    restartNeeded: true }), 0, success(UPDATED)],
  ['update', '{"status":"error","code":null,"error":"owner closed"}', 1,
    { status: 'error', code: null, error: 'owner closed', exitCode: 1 }],
  ['update', '{"status":"error","code":"0x80004002","error":"TEXT"}', 1,
    { status: 'error', code: '0x80004002', error: 'TEXT', exitCode: 1 }],
  ['update', '{"status":"error","code":null,"error":"no operation"}', 1,
    { status: 'error', code: null, error: 'no operation', exitCode: 1 }],
  ['update', '{"error":"bad allocation"}', 1, { status: 'error', error: 'bad allocation', exitCode: 1 }],
  ['update', CRASH, 1, { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  ['version', json(VERSION), 0, success(VERSION)],
  ['version', changed(VERSION, 'elevated', true), 0, success({ ...VERSION, elevated: true })],
  ['version', changed(VERSION, 'elevated', null), 0, success({ ...VERSION, elevated: null })],
  // Every unit, every period a UINT32 holds; no trial period; no terms at all; an entitlement with no dates.
  ...['minute', 'hour', 'day', 'week', 'month', 'year', 'unknown'].map((unit) =>
    ['products', skuChanged({ billingPeriodUnit: unit, trialPeriodUnit: unit }), 0,
      skuRead({ billingPeriodUnit: unit, trialPeriodUnit: unit })]),
  ['products', skuChanged({ billingPeriod: 4294967295, trialPeriod: 0 }), 0,
    skuRead({ billingPeriod: 4294967295, trialPeriod: 0 })],
  ['products', skuChanged({ trialPeriod: null, trialPeriodUnit: null }), 0,
    skuRead({ trialPeriod: null, trialPeriodUnit: null })],
  ['collection', skuChanged({ collection: { ...OWNED, trial: true, acquired: null, start: null, end: null,
    trialSecondsLeft: 86399 } }), 0, skuRead({ collection: { ...OWNED, trial: true, acquired: null, start: null,
    end: null, trialSecondsLeft: 86399 } })],
  ['products', changed(PRODUCTS, 'products', [{ ...PRODUCT, skus: [] }]), 0,
    success({ ...PRODUCTS, products: [{ ...PRODUCT, skus: [] }] })],
  // Members a later bridge may add to a SKU or its entitlement are dropped too.
  ['products', skuChanged({ language: 'en-us', collection: { ...OWNED, campaignId: 'x' } }), 0,
    skuRead({ collection: OWNED })],
  ['app', json(APP), 0, success(APP)],
  ['app', changed(APP, 'product', null), 0, success({ ...APP, product: null })],
  ['app', '{"status":"error","code":"0x803F6107","error":""}', 1,
    { status: 'error', code: '0x803F6107', error: '', exitCode: 1 }],
  ['app', CRASH, 1, { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  ...['purchase-id', 'collections-id'].flatMap((command) => [
    [command, json(ID), 0, success(ID)],
    [command, '{"status":"error","code":null,"error":"no id"}', 1,
      { status: 'error', code: null, error: 'no id', exitCode: 1 }],
    [command, '{"status":"error","code":"0x80070525","error":"TEXT"}', 1,
      { status: 'error', code: '0x80070525', error: 'TEXT', exitCode: 1 }],
    [command, '{"error":"bad allocation"}', 1, { status: 'error', error: 'bad allocation', exitCode: 1 }],
  ]),
  ['version', changed(VERSION, 'package', PACKAGE), 0, success({ ...VERSION, package: PACKAGE })],
  ['version', json({ ...VERSION, architecture: 'x64' }), 0, success(VERSION)],
  ['version', '{"error":"The data area passed to a system call is too small."}', 1,
    { status: 'error', error: 'The data area passed to a system call is too small.', exitCode: 1 }],
  ['version', CRASH, 1, { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
];

// [command, stdout, exit code, kind]
const REJECTED = [
  ['buy', '{"error":"usage"}', 2, 'usage'],
  ['review', '{"error":"usage"}', 2, 'usage'],
  ['buy', '{"error":"usage"}', 0, 'bad-line'],
  ['buy', '{"error":"wrong"}', 2, 'bad-line'],
  ['buy', '{"status":"succeeded","updated":false,"error":null}', 0, 'bad-line'],
  ['review', '{"status":"purchased","error":null}', 0, 'bad-line'],
  ['review', '{"status":"error","error":"no result"}', 1, 'bad-line'],
  ['buy', '{"status":"error","updated":false,"error":"owner closed"}', 1, 'bad-line'],
  ['buy', '{"status":"bought","error":null}', 0, 'bad-line'],
  ['buy', '{"status":"purchased","error":null}', 1, 'bad-line'],
  ['buy', '{"status":"purchased","error":null}', null, 'bad-line'],
  ['buy', '{"status":"error","error":"no result"}', 0, 'bad-line'],
  ['review', CRASH, 0, 'bad-line'],
  ['buy', '{"status":"purchased"}', 0, 'bad-line'],
  ['buy', '{}', 1, 'bad-line'],
  ['review', '{"status":"succeeded","updated":"true","error":null}', 0, 'bad-line'],
  ['review', '{"status":"error","updated":true,"error":"no result"}', 1, 'bad-line'],
  ['buy', '{"status":"error","error":""}', 1, 'bad-line'],
  ['buy', '{"status":"error","error":5}', 1, 'bad-line'],
  ['buy', '{"error":{"text":"x"}}', 1, 'bad-line'],
  ['buy', '{"status":"purchased","error":null,"error":null}', 0, 'bad-line'],
  ['buy', '{"error":"usage"}\n', 2, 'bad-line'],
  ['buy', ' {"status":"purchased","error":null}', 0, 'bad-line'],
  ['buy', '\ufeff{"status":"purchased","error":null}', 0, 'bad-line'],
  ['buy', '{"error":}', 1, 'bad-line'],
  ['buy', '{"status":"purchased","error":null}{"error":"x"}', 0, 'bad-line'],
  ['buy', '[]', 1, 'bad-line'],
  // Unknown members do not make up for a missing or mistyped known one.
  ['buy', '{"status":"purchased","errors":null}', 0, 'bad-line'],
  ['buy', '{"status":"purchased","error":0,"extra":1}', 0, 'bad-line'],
  ['review', '{"status":"succeeded","error":null,"updated ":true}', 0, 'bad-line'],
  ['buy', '{"extra":1}', 1, 'bad-line'],
  ['buy', '{"error":"x","details":{"a":1,"a":2}}', 1, 'bad-line'],
  ['buy', '{"error":"x","details":[{"a":1},{"a":2,"b":[{"a":3}],"a":4}]}', 1, 'bad-line'],
  ['buy', '{"error":"x","\\u0061":1,"a":2}', 1, 'bad-line'],
  ['buy', '{"error":"usage","hint":"buy <StoreID>"}', 2, 'usage'],
  ['consume', '{"error":"usage"}', 2, 'usage'],
  // Each command's own lines only, each with its own exit code.
  ['buy', json(LICENSE), 0, 'bad-line'],
  ['license', json(PRODUCTS), 0, 'bad-line'],
  ['products', json(LICENSE), 0, 'bad-line'],
  ['license', json(LICENSE), 1, 'bad-line'],
  ['consume', json(BALANCE), 0, 'bad-line'],
  ['license', '{"status":"error","code":"0x80070005","error":"x"}', 0, 'bad-line'],
  ['consume', '{"status":"error","code":"0x80070005","error":"x"}', 1, 'bad-line'],
  // Wrong values anywhere, in entries too.
  ['license', changed(LICENSE, 'status', 'error'), 0, 'bad-line'],
  ['license', changed(LICENSE, 'trialSecondsLeft', -1), 0, 'bad-line'],
  ['license', changed(LICENSE, 'trialSecondsLeft', 1.5), 0, 'bad-line'],
  ['license', changed(LICENSE, 'expires', '2027-03-01'), 0, 'bad-line'],
  ['license', changed(LICENSE, 'expires', '2027-03-01T00:00:00.5Z'), 0, 'bad-line'],
  ['license', changed(LICENSE, 'active', 'true'), 0, 'bad-line'],
  ['license', changed(LICENSE, 'addOns', null), 0, 'bad-line'],
  ['license', changed(LICENSE, 'addOns', {}), 0, 'bad-line'],
  ['license', changed(LICENSE, 'addOns', [null]), 0, 'bad-line'],
  ['license', entryChanged(LICENSE, 'addOns', 'active', null), 0, 'bad-line'],
  ['license', entryChanged(LICENSE, 'addOns', 'expires', 0), 0, 'bad-line'],
  ['license', json({ ...LICENSE, addOns: [{ ...ADD_ON, offerToken: undefined }] }), 0, 'bad-line'],
  ['products', entryChanged(PRODUCTS, 'products', 'onSale', 1), 0, 'bad-line'],
  ['products', entryChanged(PRODUCTS, 'products', 'saleEnds', ''), 0, 'bad-line'],
  ['products', entryChanged(PRODUCTS, 'products', 'price', null), 0, 'bad-line'],
  ['products', json({ ...PRODUCTS, products: [PRODUCT, []] }), 0, 'bad-line'],
  ['products', changed(PRODUCTS, 'error', 'x'), 0, 'bad-line'],
  ['license', '{"status":"error","code":"0x80070005","error":5}', 1, 'bad-line'],
  ['license', '{"status":"error","code":"0x00000001","error":"x"}', 1, 'bad-line'],
  ['license', '{"status":"error","code":"0x8007000","error":"x"}', 1, 'bad-line'],
  ['license', '{"status":"error","code":"0x8007000e","error":"x"}', 1, 'bad-line'],
  ['license', '{"status":"error","code":2147942405,"error":"x"}', 1, 'bad-line'],
  ['license', '{"status":"error","code":null,"error":""}', 1, 'bad-line'],
  ['consume', changed(CONSUMED, 'status', 'insufficient'), 0, 'bad-line'],
  ['consume', changed(CONSUMED, 'balance', -1), 0, 'bad-line'],
  ['consume', changed(CONSUMED, 'balance', 4294967296), 0, 'bad-line'],
  ['consume', changed(CONSUMED, 'balance', '4'), 0, 'bad-line'],
  ['consume', changed(CONSUMED, 'trackingId', GUID.toUpperCase()), 0, 'bad-line'],
  ['consume', changed(CONSUMED, 'trackingId', `{${GUID}}`), 0, 'bad-line'],
  ['consume', changed(CONSUMED, 'code', '0x00000000'), 0, 'bad-line'],
  ['consume', json({ status: 'error', code: '0x80070005', trackingId: '', error: 'x' }), 1, 'bad-line'],
  ['balance', changed(BALANCE, 'error', ''), 0, 'bad-line'],
  ['version', '{"error":"usage"}', 2, 'usage'],
  ['version', json(VERSION), 1, 'bad-line'],
  ['version', changed(VERSION, 'status', 'error'), 0, 'bad-line'],
  ['version', changed(VERSION, 'version', ''), 0, 'bad-line'],
  ['version', changed(VERSION, 'version', null), 0, 'bad-line'],
  ['version', changed(VERSION, 'package', false), 0, 'bad-line'],
  ['version', changed(VERSION, 'error', 'x'), 0, 'bad-line'],
  ['version', json({ status: 'ok', version: '0.2.0', error: null }), 0, 'bad-line'],
  ['version', json({ status: 'ok', version: '0.2.0', package: null, error: null }), 0, 'bad-line'],
  ...['false', 0, 1, {}].map((elevated) => ['version', changed(VERSION, 'elevated', elevated), 0, 'bad-line']),
  // A SKU's terms: its units known words, its periods UINT32s, each period with its unit, a trial only with billing.
  ...[{ billingPeriodUnit: 'Month' }, { trialPeriodUnit: 'fortnight' }, { billingPeriodUnit: 4 },
    { billingPeriod: -1 }, { billingPeriod: 4294967296 }, { trialPeriod: 1.5 }, { billingPeriod: '1' },
    { billingPeriod: null }, { billingPeriodUnit: null }, { trialPeriod: null }, { trialPeriodUnit: null },
    { billingPeriod: null, billingPeriodUnit: null }, { subscription: null }, { trial: 'false' },
    { inCollection: undefined }, { collection: undefined }, { collection: {} }, { collection: [] },
    { collection: { ...OWNED, end: '2026-12-02' } }, { collection: { ...OWNED, trialSecondsLeft: -1 } },
    { collection: { ...OWNED, trial: undefined } }, { saleEnds: 0 }, { storeId: null }, { recurrencePrice: null }]
    .map((changes) => ['products', skuChanged(changes), 0, 'bad-line']),
  ['products', json({ ...PRODUCTS, products: [{ ...PRODUCT, skus: undefined }] }), 0, 'bad-line'],
  ['products', json({ ...PRODUCTS, products: [{ ...PRODUCT, skus: null }] }), 0, 'bad-line'],
  ['products', json({ ...PRODUCTS, products: [{ ...PRODUCT, skus: [MONTHLY, null] }] }), 0, 'bad-line'],
  ['collection', json({ ...PRODUCTS, products: [{ ...PRODUCT, skus: MONTHLY }] }), 0, 'bad-line'],
  ['app', json(APP), 1, 'bad-line'],
  ['app', json(PRODUCTS), 0, 'bad-line'],
  ['app', changed(APP, 'product', []), 0, 'bad-line'],
  ['app', changed(APP, 'product', { ...PRODUCT, skus: undefined }), 0, 'bad-line'],
  ['app', changed(APP, 'error', 'x'), 0, 'bad-line'],
  ['app', '{"error":"usage"}', 2, 'usage'],
  ['products', json(APP), 0, 'bad-line'],
  ...['purchase-id', 'collections-id'].flatMap((command) => [
    [command, '{"error":"usage"}', 2, 'usage'],
    [command, json(ID), 1, 'bad-line'],
    // An empty ID is the failure "no id", never a result.
    [command, changed(ID, 'id', ''), 0, 'bad-line'],
    [command, changed(ID, 'id', null), 0, 'bad-line'],
    [command, changed(ID, 'status', 'error'), 0, 'bad-line'],
    [command, json(APP), 0, 'bad-line'],
  ]),
  // version makes no Store call: no Store failure line is one of its lines.
  ['version', '{"status":"error","code":"0x80070005","error":"x"}', 1, 'bad-line'],
  ['license', json(VERSION), 0, 'bad-line'],
  ['updates', '{"error":"usage"}', 2, 'usage'],
  ['updates', json(UPDATES), 1, 'bad-line'],
  ['updates', '{"status":"error","code":"0x80070005","error":"x"}', 0, 'bad-line'],
  ['updates', json(LICENSE), 0, 'bad-line'],
  ['license', json(UPDATES), 0, 'bad-line'],
  ['updates', changed(UPDATES, 'status', 'error'), 0, 'bad-line'],
  ['updates', changed(UPDATES, 'error', 'x'), 0, 'bad-line'],
  ['updates', changed(UPDATES, 'updates', null), 0, 'bad-line'],
  ['updates', changed(UPDATES, 'updates', {}), 0, 'bad-line'],
  ['updates', changed(UPDATES, 'updates', [null]), 0, 'bad-line'],
  ['updates', changed(UPDATES, 'canSilentlyDownload', 'true'), 0, 'bad-line'],
  ['updates', changed(UPDATES, 'canSilentlyDownload', 1), 0, 'bad-line'],
  ['updates', json({ status: 'ok', updates: [], error: null }), 0, 'bad-line'],
  ['updates', json({ status: 'ok', canSilentlyDownload: true, error: null }), 0, 'bad-line'],
  // A member of another of its lines is no member a later bridge added.
  ['updates', changed(UPDATES, 'code', null), 0, 'bad-line'],
  ['updates', entryChanged(UPDATES, 'updates', 'packageFamilyName', null), 0, 'bad-line'],
  ['updates', entryChanged(UPDATES, 'updates', 'mandatory', 'true'), 0, 'bad-line'],
  ['updates', entryChanged(UPDATES, 'updates', 'mandatory', null), 0, 'bad-line'],
  ['updates', json({ ...UPDATES, updates: [{ packageFamilyName: 'A', version: '1.0.0.0' }] }), 0, 'bad-line'],
  ['updates', json({ ...UPDATES, updates: [NOTES_UPDATE, 'Contoso.Notes_8wekyb3d8bbwe'] }), 0, 'bad-line'],
  // The version is the text Major.Minor.Build.Revision, each part 0 to 65535.
  ...[1.4, 1040200, null, { major: 1, minor: 4, build: 2, revision: 0 }, [1, 4, 2, 0], '', '1.4.2', '1.4.2.0.0',
    '1.4.2.65536', '1.4.2.99999', '01.4.2.0', '1.4.-2.0', '1.4.2.0 ', '1.4.2.0\n', '1.4.2.x', '1..2.0', 'v1.4.2.0',
    '1.4.2.\u0660']
    .map((version) => ['updates', entryChanged(UPDATES, 'updates', 'version', version), 0, 'bad-line']),
  ['update', '{"error":"usage"}', 2, 'usage'],
  ['update', json(UPDATED), 1, 'bad-line'],
  ['update', '{"status":"error","code":null,"error":"owner closed"}', 0, 'bad-line'],
  ['update', json(UPDATES), 0, 'bad-line'],
  ['updates', json(UPDATED), 0, 'bad-line'],
  ...['ok', 'noUpdate', 'Completed', 'succeeded', '', null, 3].map((status) =>
    ['update', changed(UPDATED, 'status', status), 0, 'bad-line']),
  // Nothing found makes no second call, so no package has a state.
  ['update', changed(UPDATED, 'status', 'noUpdates'), 0, 'bad-line'],
  ['update', changed(UPDATED, 'error', 'x'), 0, 'bad-line'],
  ['update', changed(UPDATED, 'packages', null), 0, 'bad-line'],
  ['update', changed(UPDATED, 'packages', {}), 0, 'bad-line'],
  ['update', changed(UPDATED, 'packages', [NOTES]), 0, 'bad-line'],
  ['update', changed(UPDATED, 'code', null), 0, 'bad-line'],
  ['update', json({ status: 'completed', error: null }), 0, 'bad-line'],
  ['update', entryChanged(UPDATED, 'packages', 'state', 'Completed'), 0, 'bad-line'],
  ['update', entryChanged(UPDATED, 'packages', 'state', 'noUpdates'), 0, 'bad-line'],
  ['update', entryChanged(UPDATED, 'packages', 'state', 3), 0, 'bad-line'],
  ['update', entryChanged(UPDATED, 'packages', 'packageFamilyName', null), 0, 'bad-line'],
  ['update', json({ ...UPDATED, packages: [{ packageFamilyName: NOTES }] }), 0, 'bad-line'],
  // A progress line is no result line, with or without its line break.
  ['update', `{"progress":{"packageFamilyName":"${NOTES}","state":"downloading","packageProgress":0.5,`
    + '"totalProgress":0.5,"bytesDownloaded":1,"downloadSize":2}}', 0, 'bad-line'],
  ['update', `${json(UPDATED)}\n`, 0, 'bad-line'],
];

const PROGRESS = { packageFamilyName: NOTES, state: 'downloading', packageProgress: 0.42, totalProgress: 0.21,
  bytesDownloaded: 1234, downloadSize: 5678 };
const progressLine = (progress) => `${json({ progress })}\n`;
const progressChanged = (member, value) => progressLine({ ...PROGRESS, [member]: value });

// [line, the report]
const PROGRESS_READ = [
  [progressLine(PROGRESS), PROGRESS],
  ['{"progress":{"packageFamilyName":"Contoso.Notes_8wekyb3d8bbwe","state":"downloading","packageProgress":0.42,'
    + '"totalProgress":0.21,"bytesDownloaded":1234,"downloadSize":5678}}\n', PROGRESS],
  ...UPDATE_STATES.map((state) => [progressChanged('state', state), { ...PROGRESS, state }]),
  // The ends of the fractions, as the bridge writes them.
  ['{"progress":{"packageFamilyName":"A","state":"deploying","packageProgress":1,"totalProgress":0,'
    + '"bytesDownloaded":0,"downloadSize":0}}\n', { packageFamilyName: 'A', state: 'deploying', packageProgress: 1,
    totalProgress: 0, bytesDownloaded: 0, downloadSize: 0 }],
  // Byte counts above 2^53 arrive, rounded to the nearest double.
  [progressChanged('downloadSize', '18446744073709551615').replace('"18446744073709551615"', '18446744073709551615'),
    { ...PROGRESS, downloadSize: 2 ** 64 }],
  [progressChanged('bytesDownloaded', 2 ** 53 - 1), { ...PROGRESS, bytesDownloaded: 2 ** 53 - 1 }],
  // Inside the report, members a later bridge may add are ignored, as in a result line's entries.
  [progressLine({ ...PROGRESS, packageVersion: '1.4.2.0' }), PROGRESS],
  [progressChanged('packageFamilyName', 'Zé"\\'), { ...PROGRESS, packageFamilyName: 'Zé"\\' }],
];

const PROGRESS_REJECTED = [
  ...Object.keys(PROGRESS).map((member) => progressLine({ ...PROGRESS, [member]: undefined })),
  progressChanged('packageFamilyName', null),
  progressChanged('state', 'Downloading'),
  progressChanged('state', 'noUpdates'),
  progressChanged('state', 1),
  progressChanged('packageProgress', '0.42'),
  progressChanged('totalProgress', null),
  progressChanged('packageProgress', true),
  progressChanged('bytesDownloaded', '1234'),
  progressChanged('downloadSize', 5678.5),
  ...[-0.01, 1.01, 2, -1].flatMap((fraction) =>
    [progressChanged('packageProgress', fraction), progressChanged('totalProgress', fraction)]),
  progressChanged('bytesDownloaded', -1),
  progressChanged('downloadSize', -5678),
  progressChanged('downloadSize', 2 ** 65),
  // Nothing beside the report at the top.
  `${json({ progress: PROGRESS, status: 'completed' })}\n`,
  `${json({ progress: PROGRESS, extra: null })}\n`,
  `${json({ report: PROGRESS })}\n`,
  `${json({ progress: [PROGRESS] })}\n`,
  `${json({ progress: null })}\n`,
  '{}\n',
  // One JSON object and its line break, nothing else.
  json({ progress: PROGRESS }),
  `${json({ progress: PROGRESS })}\r\n`,
  ` ${json({ progress: PROGRESS })}\n`,
  `${json({ progress: PROGRESS })}${json({ progress: PROGRESS })}\n`,
  `{"progress":${json(PROGRESS)},"progress":${json(PROGRESS)}}\n`,
  `{"progress":{"state":"pending",${json(PROGRESS).slice(1)}}\n`,
  '\n',
  json(UPDATED) + '\n',
];

test('documented lines become results', () => {
  for (const [command, text, exitCode, result] of RESULTS) {
    assert.deepEqual(readResultLine(command, Buffer.from(text), exitCode), result, text);
  }
});

test('anything else is rejected with its kind', () => {
  for (const [command, text, exitCode, kind] of REJECTED) {
    assert.throws(() => readResultLine(command, Buffer.from(text), exitCode),
      (error) => error.name === 'StoreBridgeError' && error.kind === kind && error.exitCode === exitCode,
      `${command} ${JSON.stringify(text)} exit ${exitCode}`);
  }
});

test('the whole line stays available as raw, outside the result\'s own members', () => {
  const line = { status: 'error', updated: false, error: 'owner closed', closedAfterMs: 212, more: [null] };
  const result = readResultLine('review', new TextEncoder().encode(JSON.stringify(line)), 1);
  assert.deepEqual(result, { status: 'error', updated: false, error: 'owner closed', exitCode: 1 });
  assert.deepEqual(result.raw, line);
  assert.deepEqual(Object.keys(result), ['status', 'updated', 'error', 'exitCode']);
});

test('a command it does not know and output that is no bytes are programming errors', () => {
  assert.throws(() => readResultLine('bye', Buffer.from('{"error":"x"}'), 1), RangeError);
  assert.throws(() => readResultLine('toString', Buffer.from('{"error":"x"}'), 1), RangeError);
  assert.throws(() => readResultLine('buy', '{"error":"x"}', 1), TypeError);
});

test('bytes that are not UTF-8 make a bad line', () => {
  const stdout = Buffer.concat([Buffer.from('{"error":"'), Buffer.from([0xc3, 0x28]), Buffer.from('"}')]);
  assert.throws(() => readResultLine('buy', stdout, 1), { kind: 'bad-line' });
});

test('progress lines become reports, with the six members', () => {
  for (const [line, progress] of PROGRESS_READ) {
    const read = readProgressLine(Buffer.from(line));
    assert.deepEqual(read, progress, line);
    assert.deepEqual(Object.keys(read), Object.keys(PROGRESS), line);
  }
});

test('anything else as a progress line is a bad line', () => {
  const notUtf8 = Buffer.concat([Buffer.from(progressLine(PROGRESS).slice(0, 40)), Buffer.from([0xc3, 0x28]),
    Buffer.from(progressLine(PROGRESS).slice(41))]);
  for (const line of [...PROGRESS_REJECTED.map((text) => Buffer.from(text)), notUtf8]) {
    assert.throws(() => readProgressLine(line), (error) => error.name === 'StoreBridgeError' &&
      error.kind === 'bad-line', JSON.stringify(line.toString()));
  }
});
