'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { test } = require('node:test');
const { resolveExePath } = require('../lib/exe-path');

const WIN_APP = 'C:\\Program Files\\Game';
const WIN_PACKAGE = `${WIN_APP}\\resources\\app.asar\\node_modules\\store-bridge-client`;
const LINUX_PACKAGE = '/home/ci/project/node_modules/store-bridge-client';

const electronOnWindows = (arch) => ({
  platform: 'win32', arch, resourcesPath: `${WIN_APP}\\resources`, execPath: `${WIN_APP}\\Game.exe`,
  packageDir: WIN_PACKAGE,
});
const plainNode = (platform, arch, packageDir = LINUX_PACKAGE) => ({
  platform, arch, resourcesPath: undefined, execPath: '/usr/bin/node', packageDir,
});

test('the program is found where each way of shipping it puts it', () => {
  const cases = [
    // [where, files that exist, expected]
    [plainNode('linux', 'x64'), [`${LINUX_PACKAGE}/bin/linux-x64/store-bridge`],
      `${LINUX_PACKAGE}/bin/linux-x64/store-bridge`],
    [plainNode('win32', 'x64', 'C:\\dev\\node_modules\\store-bridge-client'),
      ['C:\\dev\\node_modules\\store-bridge-client\\bin\\win32-x64\\store-bridge.exe'],
      'C:\\dev\\node_modules\\store-bridge-client\\bin\\win32-x64\\store-bridge.exe'],
    // Windows on Arm runs the x64 exe.
    [plainNode('win32', 'arm64', 'C:\\dev\\node_modules\\store-bridge-client'),
      ['C:\\dev\\node_modules\\store-bridge-client\\bin\\win32-x64\\store-bridge.exe'],
      'C:\\dev\\node_modules\\store-bridge-client\\bin\\win32-x64\\store-bridge.exe'],
    // asarUnpack: the package's own copy, outside the archive.
    [electronOnWindows('x64'),
      [`${WIN_APP}\\resources\\app.asar.unpacked\\node_modules\\store-bridge-client\\bin\\win32-x64\\store-bridge.exe`],
      `${WIN_APP}\\resources\\app.asar.unpacked\\node_modules\\store-bridge-client\\bin\\win32-x64\\store-bridge.exe`],
    // electron-builder's extraFiles: beside the app, ahead of the package's copy.
    [electronOnWindows('x64'),
      [`${WIN_APP}\\store-bridge.exe`, `${WIN_APP}\\resources\\store-bridge.exe`,
        `${WIN_APP}\\resources\\app.asar.unpacked\\node_modules\\store-bridge-client\\bin\\win32-x64\\store-bridge.exe`],
      `${WIN_APP}\\store-bridge.exe`],
    // electron-forge's extraResource: under resources.
    [electronOnWindows('arm64'), [`${WIN_APP}\\resources\\store-bridge.exe`], `${WIN_APP}\\resources\\store-bridge.exe`],
    // Electron on Linux (host CI) with the portable build under resources.
    [{ ...plainNode('linux', 'x64'), resourcesPath: '/opt/game/resources', execPath: '/opt/game/game' },
      ['/opt/game/resources/store-bridge'], '/opt/game/resources/store-bridge'],
  ];
  for (const [where, files, expected] of cases) {
    assert.equal(resolveExePath(where, (file) => files.includes(file)), expected, JSON.stringify(where));
  }
});

test('no program anywhere is an error that says where it looked', () => {
  assert.throws(() => resolveExePath(electronOnWindows('x64'), () => false),
    (error) => error.message.includes(`${WIN_APP}\\store-bridge.exe`) &&
      error.message.includes('app.asar.unpacked') && error.message.includes('options.executable'));
  // Platforms this package carries nothing for.
  for (const [platform, arch] of [['darwin', 'arm64'], ['linux', 'arm64'], ['win32', 'ia32']]) {
    assert.throws(() => resolveExePath(plainNode(platform, arch), () => true),
      new RegExp(`no store-bridge program for ${platform}-${arch} \\(this package carries none`));
  }
});

test('the default check wants a file: a folder of the name is no program', (t) => {
  const packageDir = fs.mkdtempSync(path.join(os.tmpdir(), 'exe-path-'));
  t.after(() => fs.rmSync(packageDir, { recursive: true, force: true }));
  const program = path.join(packageDir, 'bin', 'linux-x64', 'store-bridge');
  fs.mkdirSync(program, { recursive: true });
  assert.throws(() => resolveExePath(plainNode('linux', 'x64', packageDir)), /no store-bridge program for linux-x64/);
  fs.rmdirSync(program);
  fs.writeFileSync(program, '');
  assert.equal(resolveExePath(plainNode('linux', 'x64', packageDir)), program);
});
