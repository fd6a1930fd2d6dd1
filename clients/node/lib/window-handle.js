'use strict';

// The bridge takes the host's window as an unsigned decimal number. Electron's
// getNativeWindowHandle() gives the HWND's own bytes, little-endian: 8 in a
// 64-bit process, 4 in a 32-bit one.
const MAX_HANDLE = 0xffffffffffffffffn;

function windowArgument(window) {
  if (window === undefined || window === null) return undefined;
  if (typeof window === 'number') {
    if (!Number.isSafeInteger(window) || window < 0) {
      throw new RangeError(`window handle must be a non-negative integer, not ${window}`);
    }
    return String(window);
  }
  if (typeof window === 'bigint') {
    if (window < 0n || window > MAX_HANDLE) throw new RangeError(`window handle out of range: ${window}`);
    return window.toString();
  }
  if (window instanceof Uint8Array) {
    const bytes = Buffer.from(window.buffer, window.byteOffset, window.byteLength);
    if (bytes.length === 8) return bytes.readBigUInt64LE(0).toString();
    if (bytes.length === 4) return String(bytes.readUInt32LE(0));
    throw new RangeError(`a window handle buffer holds 4 or 8 bytes, not ${bytes.length}`);
  }
  throw new TypeError('window must be a number, a bigint or the Buffer of getNativeWindowHandle()');
}

module.exports = { windowArgument };
