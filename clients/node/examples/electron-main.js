'use strict';

// Store actions for an Electron app's main process. In main.js, once the app is ready:
//   handleStoreRequests(ipcMain, BrowserWindow);
// and in the renderer (through a preload script):
//   const result = await ipcRenderer.invoke('store:buy', '9NBLGGH4R315');
const path = require('node:path');
const { buy, review, StoreBridgeError } = require('store-bridge-client');

// The user may keep a Store dialog open for a while; past this we stop waiting.
const PURCHASE_TIMEOUT_MS = 10 * 60 * 1000;
// A review over our window ends by itself when the window closes; this bounds the rest.
const REVIEW_TIMEOUT_MS = 10 * 60 * 1000;

// store-bridge.exe ships next to the app's exe inside the MSIX package, so it runs
// with the app's package identity: the Store acts for the package of its caller.
function bridgeNextToApp() {
  return path.join(path.dirname(process.execPath), 'store-bridge.exe');
}

// The renderer gets a result either way: a run without one becomes a failure of the same shape.
async function settle(run) {
  try {
    return await run;
  } catch (error) {
    if (!(error instanceof StoreBridgeError)) throw error;
    return { status: 'error', error: error.message, kind: error.kind };
  }
}

function handleStoreRequests(ipcMain, BrowserWindow, settings = { executable: bridgeNextToApp() }) {
  ipcMain.handle('store:buy', (event, storeId) =>
    settle(buy(String(storeId), { ...settings, timeoutMs: PURCHASE_TIMEOUT_MS })));
  ipcMain.handle('store:review', (event) => {
    const window = BrowserWindow.fromWebContents(event.sender).getNativeWindowHandle();
    return settle(review({ ...settings, window, timeoutMs: REVIEW_TIMEOUT_MS }));
  });
}

module.exports = { handleStoreRequests };
