'use strict';

// The guide's Electron example, driven through stand-ins for ipcMain and BrowserWindow.
const assert = require('node:assert/strict');
const { test } = require('node:test');
const { handleStoreRequests } = require('../examples/electron-main');

const executable = process.env.STORE_BRIDGE_EXE;
assert.ok(executable, 'STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)');

// What Electron's getNativeWindowHandle() returns in a 64-bit process: the HWND's 8 bytes.
function nativeHandle(hwnd) {
  const bytes = Buffer.alloc(8);
  bytes.writeBigUInt64LE(BigInt(hwnd));
  return bytes;
}

function electronApp(scenario, hwnd = 4242) {
  const handlers = new Map();
  const ipcMain = { handle: (channel, handler) => handlers.set(channel, handler) };
  const sender = {};
  const BrowserWindow = {
    fromWebContents: (contents) => {
      assert.equal(contents, sender);
      return { getNativeWindowHandle: () => nativeHandle(hwnd) };
    },
  };
  handleStoreRequests(ipcMain, BrowserWindow, { executable, env: { STORE_BRIDGE_SIM: scenario } });
  return (channel, ...args) => handlers.get(channel)({ sender }, ...args);
}

test('the renderer gets every outcome as a result', { timeout: 30000 }, async () => {
  const cases = [
    ['', 'store:buy', ['9NBLGGH4R315'], { status: 'purchased', error: null, exitCode: 0 }],
    ['purchase=NotPurchased', 'store:buy', ['9NBLGGH4R315'], { status: 'cancelled', error: null, exitCode: 0 }],
    ['results=null', 'store:buy', ['9NBLGGH4R315'], { status: 'error', error: 'no result', exitCode: 1 }],
    ['review=Succeeded;updated=true', 'store:review', [],
      { status: 'succeeded', updated: true, error: null, exitCode: 0 }],
    ['after=never;window=4242:100,100,900,700:close=200', 'store:review', [],
      { status: 'error', updated: false, error: 'owner closed', exitCode: 1 }],
  ];
  for (const [scenario, channel, args, expected] of cases) {
    assert.deepEqual(await electronApp(scenario)(channel, ...args), expected, `${channel} ${scenario}`);
  }
});

test('a run without a result reaches the renderer as a failure with its kind', async () => {
  const result = await electronApp('crash=abort')('store:buy', '9NBLGGH4R315');
  assert.equal(result.status, 'error');
  assert.equal(result.kind, 'no-line');
  assert.match(result.error, /without a result line/);
});
