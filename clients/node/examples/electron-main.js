'use strict';

// Store actions for an Electron app's main process. In main.js, once the app is ready:
//   handleStoreRequests({ app, ipcMain, BrowserWindow });
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

function handleStoreRequests({ app, ipcMain, BrowserWindow }, settings = { executable: bridgeNextToApp() }) {
  // No Store run outlives the app: quitting kills the pending ones, and nothing new starts.
  const quitting = new AbortController();
  const { signal } = quitting;
  app.on('before-quit', () => quitting.abort(new Error('the app is quitting')));
  // Listening here replaces Electron's default of quitting when the last window has closed: keep it.
  app.on('window-all-closed', () => {
    quitting.abort(new Error('the last window closed'));
    app.quit();
  });

  ipcMain.handle('store:buy', (event, storeId) =>
    settle(buy(String(storeId), { ...settings, timeoutMs: PURCHASE_TIMEOUT_MS, signal })));
  ipcMain.handle('store:review', (event) => {
    // The window that asked may have closed while its request was on the way.
    const window = BrowserWindow.fromWebContents(event.sender);
    if (window === null || window.isDestroyed()) {
      return { status: 'error', error: 'the window is gone', kind: 'aborted' };
    }
    return settle(review({
      ...settings, window: window.getNativeWindowHandle(), timeoutMs: REVIEW_TIMEOUT_MS, signal,
    }));
  });
}

module.exports = { handleStoreRequests };
