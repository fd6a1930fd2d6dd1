'use strict';

// update: its standard output read as a stream of progress lines before the result line, with stand-in bridges that
// write what the real one may.
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { after, test } = require('node:test');
const { update, StoreBridgeError } = require('..');
const { updateStream } = require('../lib/update-stream');
const { pendingRun } = require('./pending-run');

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'store-bridge-update-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

const NOTES = 'Contoso.Notes_8wekyb3d8bbwe';
const DICTIONARY = 'Contoso.Notes.Dictionary_8wekyb3d8bbwe';

const report = (state, fraction, familyName = NOTES) => ({ packageFamilyName: familyName, state,
  packageProgress: fraction, totalProgress: fraction / 2, bytesDownloaded: Math.round(5678 * fraction), downloadSize: 5678 });
const progressLine = (progress) => `${JSON.stringify({ progress })}\n`;
const COMPLETED = { status: 'completed', packages: [{ packageFamilyName: NOTES, state: 'completed' }], error: null };
const NO_UPDATES = { status: 'noUpdates', packages: [], error: null };
const DOWNLOADING = report('downloading', 0.5);
const DEPLOYING = report('deploying', 1);

// Every way of cutting the bytes into two or three chunks: a line break, a multi-byte letter or the result line
// may fall anywhere.
function* splits(bytes) {
  for (let first = 0; first <= bytes.length; first += 1) {
    for (let second = first; second <= bytes.length; second += 7) {
      yield [bytes.subarray(0, first), bytes.subarray(first, second), bytes.subarray(second)];
    }
  }
}

// What the stream hands on and ends with for stdout fed in these chunks: [reports, result or error].
function streamed(chunks, exitCode, signal = null) {
  const reports = [];
  const stream = updateStream((progress) => reports.push(progress));
  try {
    for (const chunk of chunks) stream.feed(chunk);
    return [reports, stream.finish(exitCode, signal, Buffer.concat(chunks))];
  } catch (error) {
    return [reports, error];
  }
}

test('progress lines are handed on in order and the rest is the result line, however stdout is cut', () => {
  const accented = report('downloading', 0.25, 'Zé"\\.Notes_8wekyb3d8bbwe');
  // [stdout, exit code, the reports, the result]
  const cases = [
    [progressLine(DOWNLOADING) + progressLine(DEPLOYING) + JSON.stringify(COMPLETED), 0, [DOWNLOADING, DEPLOYING],
      { ...COMPLETED, exitCode: 0 }],
    [progressLine(accented) + JSON.stringify(COMPLETED), 0, [accented], { ...COMPLETED, exitCode: 0 }],
    // A result line without progress: the check found nothing, or the Store reported none.
    [JSON.stringify(NO_UPDATES), 0, [], { ...NO_UPDATES, exitCode: 0 }],
    [JSON.stringify(COMPLETED), 0, [], { ...COMPLETED, exitCode: 0 }],
    [`${progressLine(DOWNLOADING)}{"status":"error","code":null,"error":"owner closed"}`, 1, [DOWNLOADING],
      { status: 'error', code: null, error: 'owner closed', exitCode: 1 }],
    [`${progressLine(DEPLOYING)}{"status":"error","updated":false,"error":"crash"}`, 1, [DEPLOYING],
      { status: 'error', updated: false, error: 'crash', exitCode: 1 }],
  ];
  for (const [stdout, exitCode, reports, result] of cases) {
    for (const chunks of splits(Buffer.from(stdout))) {
      const where = `${JSON.stringify(stdout)} cut at ${chunks[0].length}, ${chunks[0].length + chunks[1].length}`;
      assert.deepEqual(streamed(chunks, exitCode), [reports, result], where);
    }
  }
});

test('a run that ends without a result line is closedForUpdate only after a deploying report', () => {
  const installing = report('deploying', 0.25, DICTIONARY);
  // [stdout, signal, the reports, the kind, the last progress]
  const cases = [
    ['', null, [], 'no-line', undefined],
    [progressLine(DOWNLOADING), null, [DOWNLOADING], 'no-line', undefined],
    [progressLine(report('downloading', 0.2)) + progressLine(DOWNLOADING), 'SIGKILL',
      [report('downloading', 0.2), DOWNLOADING], 'no-line', undefined],
    [progressLine(DOWNLOADING) + progressLine(DEPLOYING), null, [DOWNLOADING, DEPLOYING], 'closedForUpdate',
      DEPLOYING],
    [progressLine(DEPLOYING), 'SIGKILL', [DEPLOYING], 'closedForUpdate', DEPLOYING],
    // One package installs while another still downloads: the last report is carried, whatever its state.
    [progressLine(installing) + progressLine(DOWNLOADING), null, [installing, DOWNLOADING], 'closedForUpdate',
      DOWNLOADING],
  ];
  for (const [stdout, signal, reports, kind, lastProgress] of cases) {
    for (const chunks of splits(Buffer.from(stdout))) {
      const [handed, error] = streamed(chunks, signal ? null : 1, signal);
      assert.deepEqual(handed, reports, stdout);
      assert.ok(error instanceof StoreBridgeError, stdout);
      assert.equal(error.kind, kind, stdout);
      assert.deepEqual(error.lastProgress, lastProgress, stdout);
      assert.equal(error.output, stdout);
      assert.equal(error.signal, signal);
    }
  }
});

test('a malformed progress line is a bad line, the reports before it handed on', () => {
  const bad = progressLine({ ...DOWNLOADING, totalProgress: 1.5 });
  const cases = [
    progressLine(DOWNLOADING) + bad + JSON.stringify(COMPLETED),
    progressLine(DOWNLOADING) + bad,
    // A result line is last and has no line break.
    `${progressLine(DOWNLOADING)}${JSON.stringify(COMPLETED)}\n`,
    // A progress line that lost its line break is no result line.
    progressLine(DOWNLOADING) + progressLine(DEPLOYING).trimEnd(),
  ];
  for (const stdout of cases) {
    for (const chunks of splits(Buffer.from(stdout))) {
      const [handed, error] = streamed(chunks, 0);
      assert.deepEqual(handed, [DOWNLOADING], stdout);
      assert.equal(error?.kind, 'bad-line', stdout);
    }
  }
});

function script(name, body) {
  const file = path.join(scratch, name);
  fs.writeFileSync(file, `#!/bin/sh\n${body}\n`, { mode: 0o755 });
  return file;
}

// A stand-in bridge that records its arguments, one a line, then writes what it is given.
function fakeBridge(name, output) {
  const args = path.join(scratch, `${name}.args`);
  const executable = script(name, `printf '%s\\n' "$@" > '${args}'\n${output}`);
  return { executable, args: () => fs.readFileSync(args, 'utf8').split('\n').slice(0, -1) };
}

// The lines written here hold no single quote.
const printed = (text) => `printf '%s' '${text}'`;

test('update always asks for progress, with the flags before the window', async () => {
  const cases = [
    [{}, ['update', '--progress']],
    [{ window: 4242 }, ['update', '--progress', '4242']],
    [{ downloadOnly: true, window: 0x100001092n }, ['update', '--download-only', '--progress', '4294971538']],
    [{ silent: true, downloadOnly: true }, ['update', '--download-only', '--silent', '--progress']],
    [{ silent: false, downloadOnly: false, window: Buffer.from([0x92, 0x10, 0, 0]) },
      ['update', '--progress', '4242']],
  ];
  const { executable, args } = fakeBridge('arguments', printed(JSON.stringify(NO_UPDATES)));
  for (const [options, expected] of cases) {
    assert.deepEqual(await update({ ...options, executable }), { ...NO_UPDATES, exitCode: 0 });
    assert.deepEqual(args(), expected, JSON.stringify(options, (_, v) => (typeof v === 'bigint' ? `${v}n` : v)));
  }
});

test('each report reaches onProgress while the bridge still runs', { timeout: 10000 }, async () => {
  // The stand-in writes its result only once the host has seen the report: a client that waited for the end of
  // the run would wait for ever.
  const seen = path.join(scratch, 'seen');
  const { executable } = fakeBridge('waits-for-host', [
    printed(progressLine(DOWNLOADING)),
    `while [ ! -e '${seen}' ]; do sleep 0.02; done`,
    printed(progressLine(DEPLOYING) + JSON.stringify(COMPLETED)),
  ].join('\n'));
  const reports = [];
  const result = await update({ executable, onProgress: (progress) => {
    reports.push(progress);
    fs.writeFileSync(seen, '');
  } });
  assert.deepEqual(reports, [DOWNLOADING, DEPLOYING]);
  assert.deepEqual(result, { ...COMPLETED, exitCode: 0 });
});

test('a bridge that goes while installing rejects as closedForUpdate; while downloading, as no-line', async () => {
  const cases = [
    ['closed-deploying', `${printed(progressLine(DOWNLOADING) + progressLine(DEPLOYING))}\nexit 1`,
      { kind: 'closedForUpdate', exitCode: 1, lastProgress: DEPLOYING }],
    ['killed-deploying', `${printed(progressLine(DEPLOYING))}\nkill -9 $$`,
      { kind: 'closedForUpdate', signal: 'SIGKILL', lastProgress: DEPLOYING }],
    ['closed-downloading', `${printed(progressLine(DOWNLOADING))}\nexit 1`, { kind: 'no-line', exitCode: 1 }],
  ];
  for (const [name, output, expected] of cases) {
    const { executable } = fakeBridge(name, output);
    const error = await update({ executable }).catch((e) => e);
    assert.ok(error instanceof StoreBridgeError, name);
    assert.deepEqual({ kind: error.kind, exitCode: error.exitCode, signal: error.signal,
      lastProgress: error.lastProgress }, { exitCode: null, signal: null, lastProgress: undefined, ...expected }, name);
  }
});

test('a bad progress line or a throwing onProgress kills the bridge and rejects with that error', { timeout: 10000 },
  async () => {
    const thrown = new Error('the progress bar is gone');
    const cases = [
      ['bad-progress', printed(progressLine({ ...DOWNLOADING, bytesDownloaded: -1 })), undefined,
        (error) => error instanceof StoreBridgeError && error.kind === 'bad-line'],
      ['throwing-host', printed(progressLine(DOWNLOADING)), () => { throw thrown; }, (error) => error === thrown],
    ];
    for (const [name, output, onProgress, expected] of cases) {
      // The stand-in would write a result line only much later: the rejection must not wait for it.
      const { executable } = fakeBridge(name, `${output}\nsleep 30\n${printed(JSON.stringify(COMPLETED))}`);
      const started = Date.now();
      await assert.rejects(update({ executable, onProgress }), expected, name);
      assert.ok(Date.now() - started < 5000, `${name} took ${Date.now() - started} ms`);
    }
  });

test('wrong update options are refused before anything starts', async () => {
  const { launcher, runs } = pendingRun(scratch, 'update-refused');
  const cases = [
    [{ downloadOnly: 'yes' }, TypeError],
    [{ silent: 1 }, TypeError],
    [{ onProgress: 'bar' }, TypeError],
    [{ window: -1 }, RangeError],
    [{ window: '4242' }, TypeError],
    [{ timeoutMs: 0 }, RangeError],
  ];
  for (const [options, type] of cases) {
    await assert.rejects(update({ ...options, executable: launcher }), type, JSON.stringify(options));
  }
  assert.equal(runs(), 0);
});
