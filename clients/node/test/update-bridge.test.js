'use strict';

// update against the real portable store-bridge and its simulated Store, and a host's path from updates to update.
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { after, test } = require('node:test');
const { update, updates, StoreBridgeError } = require('..');
const { encoded, traced } = require('./catalogue');
const { pendingRun } = require('./pending-run');

const executable = process.env.STORE_BRIDGE_EXE;
assert.ok(executable, 'STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)');

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'store-bridge-update-bridge-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

const NOTES = 'Contoso.Notes_8wekyb3d8bbwe';
const DICTIONARY = 'Contoso.Notes.Dictionary_8wekyb3d8bbwe';
const COMPLETED = { status: 'completed', packages: [{ packageFamilyName: NOTES, state: 'completed' }], error: null };
const NO_UPDATES = { status: 'noUpdates', packages: [], error: null };

// The simulated Store's default for the update call: one downloading report per package, halfway.
const sim = (scenario, extra = {}) => ({ executable, env: { STORE_BRIDGE_SIM: scenario }, ...extra });
let traces = 0;
function traceRun(scenario, extra) {
  traces += 1;
  const trace = path.join(scratch, `${traces}.trace`);
  return [{ ...sim(scenario, extra), env: { STORE_BRIDGE_SIM: scenario, STORE_BRIDGE_SIM_TRACE: trace } }, trace];
}
const halfway = (packageFamilyName, totalProgress) => ({ packageFamilyName, state: 'downloading',
  packageProgress: 0.5, totalProgress, bytesDownloaded: 0, downloadSize: 0 });
const packages = (...states) => states.map(([packageFamilyName, state]) => ({ packageFamilyName, state }));

test('update against the simulated Store: each report as it came, then the call\'s and each package\'s state',
  { timeout: 60000 }, async () => {
    const FIND = `package-update=${NOTES}`;
    const MAX = 18446744073709551615n;
    // [scenario, options, the reports, the result, the Store call made]
    const cases = [
      [`${FIND};after=now;update-after=300`, {}, [halfway(NOTES, 0.5)], { ...COMPLETED, exitCode: 0 },
        'RequestDownloadAndInstallStorePackageUpdatesAsync'],
      ['', {}, [], { ...NO_UPDATES, exitCode: 0 }, undefined],
      // Two packages: the line sorts them; the reports come in the Store's order.
      [`${FIND};package-update=${DICTIONARY}`, { window: 4242 }, [halfway(NOTES, 0.25), halfway(DICTIONARY, 0.75)],
        { status: 'completed', packages: packages([DICTIONARY, 'completed'], [NOTES, 'completed']), error: null,
          exitCode: 0 }, 'RequestDownloadAndInstallStorePackageUpdatesAsync'],
      [FIND, { downloadOnly: true }, [halfway(NOTES, 0.5)], { ...COMPLETED, exitCode: 0 },
        'RequestDownloadStorePackageUpdatesAsync'],
      [FIND, { silent: true, window: 4242 }, [halfway(NOTES, 0.5)], { ...COMPLETED, exitCode: 0 },
        'TrySilentDownloadAndInstallStorePackageUpdatesAsync'],
      [FIND, { silent: true, downloadOnly: true }, [halfway(NOTES, 0.5)], { ...COMPLETED, exitCode: 0 },
        'TrySilentDownloadStorePackageUpdatesAsync'],
      // Byte counts above 2^53 arrive rounded, as the declarations say.
      [`${FIND};progress=${encoded(NOTES)}:Deploying:1:0.75:${MAX}:${MAX}@10;update-after=100`, {},
        [{ packageFamilyName: NOTES, state: 'deploying', packageProgress: 1, totalProgress: 0.75,
          bytesDownloaded: 2 ** 64, downloadSize: 2 ** 64 }], { ...COMPLETED, exitCode: 0 },
        'RequestDownloadAndInstallStorePackageUpdatesAsync'],
      [`${FIND};update-state=ErrorWiFiRequired;package-state=${encoded(NOTES)}:Canceled`, {}, [halfway(NOTES, 0.5)],
        { status: 'errorWiFiRequired', packages: packages([NOTES, 'cancelled']), error: null, exitCode: 0 },
        'RequestDownloadAndInstallStorePackageUpdatesAsync'],
      [`${FIND};update-state=7`, {}, [halfway(NOTES, 0.5)],
        { status: 'errorWiFiRecommended', packages: packages([NOTES, 'errorWiFiRecommended']), error: null,
          exitCode: 0 }, 'RequestDownloadAndInstallStorePackageUpdatesAsync'],
      [`${FIND};update-request=none`, {}, [], { status: 'error', code: null, error: 'no operation', exitCode: 1 },
        'RequestDownloadAndInstallStorePackageUpdatesAsync'],
      [`${FIND};update-results=null`, {}, [halfway(NOTES, 0.5)],
        { status: 'error', code: null, error: 'no result', exitCode: 1 },
        'RequestDownloadAndInstallStorePackageUpdatesAsync'],
      [`${FIND};fail=StorePackageUpdateResult.OverallState:E_ACCESSDENIED`, {}, [halfway(NOTES, 0.5)],
        { status: 'error', code: '0x80070005', error: 'Access is denied.', exitCode: 1 },
        'RequestDownloadAndInstallStorePackageUpdatesAsync'],
      // The check's own failure ends the run before the second call.
      ['request=E_FAIL', {}, [], { status: 'error', code: '0x80004005', error: 'Unspecified error', exitCode: 1 },
        undefined],
    ];
    for (const [scenario, extra, reports, expected, call] of cases) {
      const shown = [];
      const [options, trace] = traceRun(scenario, { ...extra, timeoutMs: 10000,
        onProgress: (progress) => shown.push(progress) });
      assert.deepEqual(await update(options), expected, scenario);
      assert.deepEqual(shown, reports, scenario);
      const made = ['RequestDownloadAndInstallStorePackageUpdatesAsync', 'RequestDownloadStorePackageUpdatesAsync',
        'TrySilentDownloadAndInstallStorePackageUpdatesAsync', 'TrySilentDownloadStorePackageUpdatesAsync']
        .filter((name) => traced(trace, name).length > 0);
      assert.deepEqual(made, call ? [call] : [], scenario);
    }
  });

test('a bridge that goes after a deploying report, as when Windows installs the app, rejects as closedForUpdate',
  { timeout: 20000 }, async () => {
    const deploying = { packageFamilyName: NOTES, state: 'deploying', packageProgress: 1, totalProgress: 1,
      bytesDownloaded: 10, downloadSize: 10 };
    const { launcher, env } = pendingRun(scratch, 'installing');
    const pids = path.join(scratch, 'installing.pid');
    const error = await update({
      executable: launcher, timeoutMs: 10000,
      env: { ...env, STORE_BRIDGE_SIM: `package-update=${NOTES};progress=${encoded(NOTES)}:Deploying:1:1:10:10@50;`
        + 'update-after=never' },
      onProgress: () => {
        process.kill(Number(fs.readFileSync(pids, 'utf8')), 'SIGKILL');
      },
    }).catch((e) => e);
    assert.ok(error instanceof StoreBridgeError, String(error));
    assert.equal(error.kind, 'closedForUpdate');
    assert.equal(error.signal, 'SIGKILL');
    assert.deepEqual(error.lastProgress, deploying);
  });

// What a host does at start: ask the Store, and install what it found with a progress bar, silently when it may.
test('a host\'s whole path: updates, then update with progress shown', { timeout: 30000 }, async () => {
  const scenario = `package-update=${NOTES},version=1.4.2.0,mandatory=true;package-update=${DICTIONARY},`
    + 'version=2.0.0.1;after=now;update-after=200';
  const found = await updates(sim(scenario));
  assert.equal(found.exitCode, 0);
  assert.deepEqual(found.updates.map(({ packageFamilyName }) => packageFamilyName), [DICTIONARY, NOTES]);
  assert.equal(found.canSilentlyDownload, true);

  const bar = [];
  const [options, trace] = traceRun(scenario, { window: 4242, silent: found.canSilentlyDownload, timeoutMs: 10000,
    onProgress: ({ packageFamilyName, totalProgress }) => bar.push([packageFamilyName, totalProgress]) });
  const installed = await update(options);
  assert.deepEqual(installed, { status: 'completed', packages: found.updates.map(({ packageFamilyName }) =>
    ({ packageFamilyName, state: 'completed' })), error: null, exitCode: 0 });
  // The bar moves forward, once for each package the check found.
  assert.deepEqual(bar, [[NOTES, 0.25], [DICTIONARY, 0.75]]);
  assert.equal(traced(trace, 'TrySilentDownloadAndInstallStorePackageUpdatesAsync').length, 1);
});
