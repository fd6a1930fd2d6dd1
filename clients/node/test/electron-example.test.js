'use strict';

// The guide's Electron example, driven through stand-ins for app, ipcMain and BrowserWindow.
const assert = require('node:assert/strict');
const { EventEmitter } = require('node:events');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { after, test } = require('node:test');
const { handleStoreRequests } = require('../examples/electron-main');
const { alive, pendingRun } = require('./pending-run');

const executable = process.env.STORE_BRIDGE_EXE;
assert.ok(executable, 'STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)');

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'store-bridge-electron-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

// What Electron's getNativeWindowHandle() returns in a 64-bit process: the HWND's 8 bytes.
function nativeHandle(hwnd) {
  const bytes = Buffer.alloc(8);
  bytes.writeBigUInt64LE(BigInt(hwnd));
  return bytes;
}

// An app with one window; `window: null` stands for a sender whose window has gone, `destroyed` for one closing.
function electronApp(settings, { hwnd = 4242, window = 'open' } = {}) {
  const handlers = new Map();
  const app = Object.assign(new EventEmitter(), { quits: 0, quit() { this.quits += 1; } });
  const ipcMain = { handle: (channel, handler) => handlers.set(channel, handler) };
  const sender = {};
  const BrowserWindow = {
    fromWebContents: (contents) => {
      assert.equal(contents, sender);
      if (window === null) return null;
      return { isDestroyed: () => window === 'destroyed', getNativeWindowHandle: () => nativeHandle(hwnd) };
    },
  };
  handleStoreRequests({ app, ipcMain, BrowserWindow }, settings);
  const invoke = (channel, ...args) => handlers.get(channel)({ sender }, ...args);
  return { app, invoke };
}

const sim = (scenario) => ({ executable, env: { STORE_BRIDGE_SIM: scenario } });

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
    assert.deepEqual(await electronApp(sim(scenario)).invoke(channel, ...args), expected, `${channel} ${scenario}`);
  }
});

test('a run without a result reaches the renderer as a failure with its kind', async () => {
  const result = await electronApp(sim('crash=abort')).invoke('store:buy', '9NBLGGH4R315');
  assert.equal(result.status, 'error');
  assert.equal(result.kind, 'no-line');
  assert.match(result.error, /without a result line/);
});

test('a review for a window that is already gone starts nothing', async () => {
  const { launcher, runs } = pendingRun(scratch, 'gone');
  for (const window of [null, 'destroyed']) {
    const result = await electronApp({ executable: launcher }, { window }).invoke('store:review');
    assert.deepEqual(result, { status: 'error', error: 'the window is gone', kind: 'aborted' }, String(window));
  }
  assert.equal(runs(), 0);
});

test('quitting, or closing the last window, kills the pending runs and starts no new one', { timeout: 20000 },
  async () => {
    for (const event of ['before-quit', 'window-all-closed']) {
      const { launcher, env, waiting, runs } = pendingRun(scratch, event);
      const { app, invoke } = electronApp({ executable: launcher, env });
      const pending = invoke('store:buy', '9NBLGGH4R315');
      const pid = await waiting();
      const emitted = Date.now();
      app.emit(event);
      const result = await pending;
      assert.equal(result.kind, 'aborted', event);
      assert.equal(alive(pid), false, `the bridge outlived ${event}`);
      assert.ok(Date.now() - emitted < 500, `${event}: took ${Date.now() - emitted} ms`);
      assert.equal(app.quits, event === 'window-all-closed' ? 1 : 0, event);

      assert.equal((await invoke('store:buy', '9NBLGGH4R315')).kind, 'aborted', `${event}: a run after it`);
      assert.equal(runs(), 1, `${event}: a run after it started`);
    }
  });
