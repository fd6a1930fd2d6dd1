'use strict';

// Where the store-bridge program is. A packaged Electron app may ship it beside
// the app (electron-builder's extraFiles) or under its resources (electron-forge's
// extraResource, electron-builder's extraResources); otherwise it is the binary
// this package carries for the running platform.
const fs = require('node:fs');
const path = require('node:path');

const PACKAGE_DIR = path.resolve(__dirname, '..');

// The binaries in bin/; Windows on Arm runs the x64 exe under emulation.
function bundledBinary(platform, arch) {
  if (platform === 'win32' && (arch === 'x64' || arch === 'arm64')) return ['win32-x64', 'store-bridge.exe'];
  if (platform === 'linux' && arch === 'x64') return ['linux-x64', 'store-bridge'];
  return null;
}

// No program can start from inside app.asar; asarUnpack puts the file in app.asar.unpacked.
function outsideAsar(file, paths) {
  const parts = file.split(paths.sep);
  return parts.map((part) => (part === 'app.asar' ? 'app.asar.unpacked' : part)).join(paths.sep);
}

// Every place to look, in order. resourcesPath is Electron's process.resourcesPath
// (undefined in plain Node), execPath the app's own executable.
function exeCandidates({ platform, arch, resourcesPath, execPath, packageDir }) {
  const paths = platform === 'win32' ? path.win32 : path.posix;
  const name = platform === 'win32' ? 'store-bridge.exe' : 'store-bridge';
  const candidates = [];
  if (resourcesPath) candidates.push(paths.join(paths.dirname(execPath), name), paths.join(resourcesPath, name));
  const bundled = bundledBinary(platform, arch);
  if (bundled) candidates.push(outsideAsar(paths.join(packageDir, 'bin', ...bundled), paths));
  return candidates;
}

function resolveExePath(where, exists = (file) => fs.statSync(file, { throwIfNoEntry: false })?.isFile() ?? false) {
  const candidates = exeCandidates(where);
  const found = candidates.find((candidate) => exists(candidate));
  if (found !== undefined) return found;
  const looked = candidates.length ? `looked at ${candidates.join(', ')}` : 'this package carries none for it';
  throw new Error(`no store-bridge program for ${where.platform}-${where.arch} (${looked}); pass options.executable`);
}

/** The store-bridge program for this process: see the README's "Shipping the program". */
function exePath() {
  return resolveExePath({
    platform: process.platform,
    arch: process.arch,
    resourcesPath: process.resourcesPath,
    execPath: process.execPath,
    packageDir: PACKAGE_DIR,
  });
}

module.exports = { exePath, resolveExePath };
