'use strict';

// Whether a newer build of the app is in the Store, for an Electron app's main process. Once the app is ready:
//   const watch = updateWatch(({ mandatory }) => win.webContents.send('update-banner', mandatory));
//   watch.start();                              // now, and then every few hours
//   app.on('before-quit', () => watch.stop());
const path = require('node:path');
const { updates, StoreBridgeError } = require('store-bridge-client');

// A query shows no dialog; a Store that does not answer within this is as good as offline.
const QUERY_TIMEOUT_MS = 60 * 1000;
// A new build reaches the Store's answer only some time after certification, up to a day: a few checks a day are
// plenty, and each one is a run of the bridge and a request to the Store.
const CHECK_EVERY_MS = 6 * 60 * 60 * 1000;

function bridgeNextToApp() {
  return path.join(path.dirname(process.execPath), 'store-bridge.exe');
}

// show({ updates, mandatory, silent }) is called with every answer of the Store, an empty list included, so that a
// banner goes away when the update is gone.
function updateWatch(show, settings = { executable: bridgeNextToApp() }, everyMs = CHECK_EVERY_MS) {
  const stopped = new AbortController();
  let timer;
  let running;

  // Asks the Store once. Without an answer (offline, Store trouble, no run) nothing changes: the next check asks
  // again. Returns whether the Store answered.
  async function ask() {
    let result;
    try {
      result = await updates({ ...settings, timeoutMs: QUERY_TIMEOUT_MS, signal: stopped.signal });
    } catch (error) {
      if (error instanceof StoreBridgeError) return false;
      throw error;
    }
    if (result.exitCode !== 0) return false;
    show({
      updates: result.updates,
      // The platform does not enforce "mandatory": the banner is how the app does.
      mandatory: result.updates.filter(({ mandatory }) => mandatory),
      // Download without asking only when the Store says it may; null (cannot say) counts as no.
      silent: result.canSilentlyDownload === true,
    });
    return true;
  }

  // One check at a time: a timer that fires during a slow check joins it.
  function check() {
    running ??= ask().finally(() => { running = undefined; });
    return running;
  }

  function start() {
    timer ??= setInterval(check, everyMs);
    return check();
  }

  // Ends the timer and kills a check in flight.
  function stop() {
    clearInterval(timer);
    stopped.abort();
  }

  return { check, start, stop };
}

module.exports = { updateWatch };
