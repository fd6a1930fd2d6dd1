'use strict';

// What the user owns, for an Electron app's main process. Once the app is ready:
//   const owned = ownedAddOns(path.join(app.getPath('userData'), 'licences.json'));
//   await owned.check();                       // at every start
//   if (owned.has('9NBLGGH4TNMP')) unlockGold();
// and sell through owned.buy(storeId), which checks again after a purchase.
const fs = require('node:fs');
const path = require('node:path');
const { buy, license, StoreBridgeError } = require('store-bridge-client');

// A query shows no dialog; a Store that does not answer within this is as good as offline.
const QUERY_TIMEOUT_MS = 60 * 1000;
const PURCHASE_TIMEOUT_MS = 10 * 60 * 1000;

function bridgeNextToApp() {
  return path.join(path.dirname(process.execPath), 'store-bridge.exe');
}

function ownedAddOns(cacheFile, settings = { executable: bridgeNextToApp() }) {
  // Store ID => when the licence ends (null: never), as the last answer of the Store said.
  let licenses = readCache(cacheFile);

  // Asks the Store. Without an answer (offline, Store trouble, no run) the last answer stands: a user who bought
  // something keeps it on a plane. Returns whether the Store answered.
  async function check() {
    let result;
    try {
      result = await license({ ...settings, timeoutMs: QUERY_TIMEOUT_MS });
    } catch (error) {
      if (error instanceof StoreBridgeError) return false;
      throw error;
    }
    if (result.exitCode !== 0) return false;
    licenses = new Map(result.addOns.filter(({ active }) => active).map(({ storeId, expires }) => [storeId, expires]));
    fs.writeFileSync(cacheFile, JSON.stringify([...licenses]));
    return true;
  }

  // A cached licence still ends when its date comes (a subscription), offline or not.
  function has(storeId) {
    if (!licenses.has(storeId)) return false;
    const expires = licenses.get(storeId);
    return expires === null || Date.parse(expires) > Date.now();
  }

  async function buyAddOn(storeId) {
    const result = await buy(storeId, { ...settings, timeoutMs: PURCHASE_TIMEOUT_MS });
    if (result.exitCode === 0 && (result.status === 'purchased' || result.status === 'alreadyPurchased')) {
      // The Store's licence is the record; until it answers, the purchase itself unlocks.
      licenses.set(storeId, null);
      await check();
    }
    return result;
  }

  return { check, has, buy: buyAddOn };
}

function readCache(file) {
  try {
    return new Map(JSON.parse(fs.readFileSync(file, 'utf8')));
  } catch {
    return new Map(); // first start, or a damaged file: nothing known yet
  }
}

module.exports = { ownedAddOns };
