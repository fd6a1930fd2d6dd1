'use strict';

// A bridge kept waiting by a simulated Store that never answers, seen from outside: the launcher records the
// process id of each bridge it starts (exec keeps it), and the trace shows when a bridge waits for the Store.
const fs = require('node:fs');
const path = require('node:path');

function pendingRun(scratch, name, executable = process.env.STORE_BRIDGE_EXE) {
  const pidFile = path.join(scratch, `${name}.pid`);
  const trace = path.join(scratch, `${name}.trace`);
  const launcher = path.join(scratch, `${name}-launcher`);
  fs.writeFileSync(launcher, `#!/bin/sh\necho $$ >> '${pidFile}'\nexec '${executable}' "$@"\n`, { mode: 0o755 });
  const pids = () => (fs.existsSync(pidFile) ? fs.readFileSync(pidFile, 'utf8').split('\n').filter(Boolean) : []);
  return {
    launcher,
    env: { STORE_BRIDGE_SIM: 'after=never', STORE_BRIDGE_SIM_TRACE: trace },
    runs: () => pids().length,
    // Resolves with the first bridge's process id once it waits mid-dialog.
    async waiting() {
      while (!(fs.existsSync(trace) && fs.readFileSync(trace, 'utf8').includes('put_Completed'))) {
        await new Promise((resume) => setTimeout(resume, 20));
      }
      return Number(pids()[0]);
    },
  };
}

function alive(pid) {
  try {
    process.kill(pid, 0);
    return true;
  } catch (error) {
    if (error.code === 'ESRCH') return false;
    throw error;
  }
}

module.exports = { pendingRun, alive };
