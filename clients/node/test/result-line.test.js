'use strict';

const assert = require('node:assert/strict');
const { test } = require('node:test');
const { readResultLine } = require('..');

const CRASH = '{"status":"error","updated":false,"error":"crash"}';

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
