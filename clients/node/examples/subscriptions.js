'use strict';

// A subscription add-on, for an Electron app's main process. Once the app is ready:
//   const pro = subscription('9NBLGGH4SUB1', path.join(app.getPath('userData'), 'subscription.json'));
//   showPlans(await pro.plans());          // [{ storeId, title, price, every: '1 month', trial: '7 day' }]
//   if ((await pro.access()).active) unlockPro();
//   await pro.subscribe();                 // buys, then checks again at once
const fs = require('node:fs');
const path = require('node:path');
const { buy, collection, license, products, StoreBridgeError } = require('store-bridge-client');

const QUERY_TIMEOUT_MS = 60 * 1000;
const PURCHASE_TIMEOUT_MS = 10 * 60 * 1000;
// A subscription renews or ends on a date the answer carries; asking the Store more often than this adds nothing.
const RECHECK_MS = 6 * 60 * 60 * 1000;

function bridgeNextToApp() {
  return path.join(path.dirname(process.execPath), 'store-bridge.exe');
}

const later = (a, b) => (a === null || b === null ? null : [a, b].sort().pop()); // null: never ends
const current = (expires) => expires === null || Date.parse(expires) > Date.now();

// storeId is the subscription add-on's product ID. Its SKUs' IDs start with it and a "/".
function subscription(storeId, cacheFile, settings = { executable: bridgeNextToApp() }) {
  // { active, expires, checkedAt }: the last answer of the Store and when it came.
  let known = readCache(cacheFile);
  const ofThis = (sku) => sku.startsWith(`${storeId}/`) || sku === storeId;

  async function query(call, options) {
    try {
      const result = await call({ ...settings, ...options, timeoutMs: QUERY_TIMEOUT_MS });
      return result.exitCode === 0 ? result : undefined;
    } catch (error) {
      if (error instanceof StoreBridgeError) return undefined;
      throw error;
    }
  }

  // The plans on offer: every SKU with a billing period. A product can have several, and the one the user owns may
  // come without its terms, so none is assumed to be the first.
  async function plans() {
    const offered = await query(products, { kinds: ['Durable'] }); // subscriptions are durables
    const product = offered?.products.find((entry) => entry.storeId === storeId);
    return (product?.skus ?? []).filter(({ billingPeriod }) => billingPeriod !== null).map((sku) => ({
      storeId: sku.storeId, title: sku.title, price: sku.price,
      every: `${sku.billingPeriod} ${sku.billingPeriodUnit}`,
      trial: sku.trialPeriod === null ? null : `${sku.trialPeriod} ${sku.trialPeriodUnit}`,
    }));
  }

  // The licence decides; the user's collection backs it up (it can know of a purchase the licence has not caught up
  // with). The catalogue's inCollection is not asked: it can lag both. Without an answer the last one stands, and a
  // cached subscription still ends on its date.
  async function access({ force = false } = {}) {
    if (!force && known && Date.now() - known.checkedAt < RECHECK_MS) return state();
    const licensed = await query(license);
    if (licensed === undefined) return state();
    const addOn = licensed.addOns.find((entry) => ofThis(entry.sku) && entry.active && current(entry.expires));
    let expires = addOn ? addOn.expires : undefined;
    const owned = await query(collection, { kinds: ['Durable'] });
    for (const { collection: held } of owned?.products.find((entry) => entry.storeId === storeId)?.skus ?? []) {
      if (held && current(held.end)) expires = expires === undefined ? held.end : later(expires, held.end);
    }
    known = { active: expires !== undefined, expires: expires ?? null, checkedAt: Date.now() };
    fs.writeFileSync(cacheFile, JSON.stringify(known));
    return state();
  }

  function state() {
    if (!known) return { active: false, expires: null };
    return { active: known.active && current(known.expires), expires: known.expires };
  }

  // Buys through the product's ID; the Store's dialog offers its plans. Checks again at once after a purchase.
  async function subscribe() {
    const result = await buy(storeId, { ...settings, timeoutMs: PURCHASE_TIMEOUT_MS });
    if (result.exitCode === 0 && (result.status === 'purchased' || result.status === 'alreadyPurchased')) {
      await access({ force: true });
    }
    return result;
  }

  return { plans, access, subscribe };
}

function readCache(file) {
  try {
    return JSON.parse(fs.readFileSync(file, 'utf8'));
  } catch {
    return undefined; // first start, or a damaged file: nothing known yet
  }
}

module.exports = { subscription, RECHECK_MS };
