'use strict';

const assert = require('node:assert/strict');
const { test } = require('node:test');
const { windowArgument } = require('../lib/window-handle');

const le64 = (value) => {
  const bytes = Buffer.alloc(8);
  bytes.writeBigUInt64LE(value);
  return bytes;
};

test('window handles become the decimal argument', () => {
  const cases = [
    [undefined, undefined],
    [null, undefined],
    [0, '0'],
    [264454, '264454'],
    [Number.MAX_SAFE_INTEGER, '9007199254740991'],
    [4242n, '4242'],
    [0xffffffffffffffffn, '18446744073709551615'],
    [le64(0x30a52n), '199250'],
    [le64(0x100001092n), '4294971538'],
    [le64(0xfedcba9876543210n), '18364758544493064720'],
    [Buffer.from([0x52, 0x0a, 0x03, 0x00]), '199250'],
    [Buffer.from([0xff, 0xff, 0xff, 0xff]), '4294967295'],
    // A view into a larger buffer, as Buffer pooling gives.
    [Buffer.from([9, 9, 0x92, 0x10, 0, 0, 1, 0, 0, 0, 9]).subarray(2, 10), '4294971538'],
    [new Uint8Array([0x92, 0x10, 0, 0]), '4242'],
  ];
  for (const [window, expected] of cases) assert.equal(windowArgument(window), expected, String(window));
});

test('values that are no window handle are refused', () => {
  const cases = [
    [-1, RangeError],
    [1.5, RangeError],
    [Number.NaN, RangeError],
    [2 ** 53, RangeError],
    [-1n, RangeError],
    [0x10000000000000000n, RangeError],
    [Buffer.alloc(0), RangeError],
    [Buffer.alloc(2), RangeError],
    [Buffer.alloc(16), RangeError],
    ['264454', TypeError],
    [{ handle: 1 }, TypeError],
  ];
  for (const [window, type] of cases) assert.throws(() => windowArgument(window), type, String(window));
});
