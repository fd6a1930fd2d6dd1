'use strict';

const { StoreBridgeError } = require('./errors');

const PURCHASE_STATUSES = ['purchased', 'alreadyPurchased', 'cancelled', 'error'];
const REVIEW_STATUSES = ['succeeded', 'cancelled', 'network', 'error'];

// Strict: a BOM or bytes that are not UTF-8 make the line unreadable, not patched.
const utf8 = new TextDecoder('utf-8', { fatal: true, ignoreBOM: true });

const isText = (value) => typeof value === 'string' && value !== '';

// A kind of line: its members, its exit code, and its reading (undefined when a value does not fit).
const shape = (members, exitCode, read) => ({ members: members.sort().join(','), exitCode, read });

const generalFailure = shape(['error'], 1, ({ error }) =>
  (typeof error === 'string' ? { status: 'error', error, exitCode: 1 } : undefined));
const reviewFailure = shape(['status', 'updated', 'error'], 1, ({ status, updated, error }) =>
  (status === 'error' && updated === false && isText(error) ? { status, updated, error, exitCode: 1 } : undefined));
// The crash line has the review failure's shape whichever command crashed.
const crash = { ...reviewFailure, read: (line) => (line.error === 'crash' ? reviewFailure.read(line) : undefined) };

// The lines each command can end with.
const COMMANDS = {
  buy: [
    shape(['status', 'error'], 0, ({ status, error }) =>
      (error === null && PURCHASE_STATUSES.includes(status) ? { status, error, exitCode: 0 } : undefined)),
    shape(['status', 'error'], 1, ({ status, error }) =>
      (status === 'error' && isText(error) ? { status, error, exitCode: 1 } : undefined)),
    generalFailure,
    crash,
  ],
  review: [
    shape(['status', 'updated', 'error'], 0, ({ status, updated, error }) =>
      (error === null && REVIEW_STATUSES.includes(status) && typeof updated === 'boolean'
        ? { status, updated, error, exitCode: 0 } : undefined)),
    reviewFailure, // the crash line among them
    generalFailure,
  ],
};

// Every member name a command's lines have; a line may carry others (a later bridge may add some).
const knownMembers = (shapes) => new Set(shapes.flatMap(({ members }) => members.split(',')));

// JSON.parse keeps the last of two equal names; this finds them, at any depth, in text JSON.parse took.
function duplicateMember(text) {
  const objects = []; // per open bracket: the names seen, or null for an array
  let previous;
  for (const [token] of text.matchAll(/"(?:[^"\\]|\\.)*"|[{}[\]:]/g)) {
    if (token === '{') objects.push(new Set());
    else if (token === '[') objects.push(null);
    else if (token === '}' || token === ']') objects.pop();
    else if (token === ':') {
      const names = objects[objects.length - 1];
      const name = JSON.parse(previous);
      if (names.has(name)) return true;
      names.add(name);
    }
    previous = token;
  }
  return false;
}

function parse(text) {
  if (!text.startsWith('{') || !text.endsWith('}')) return 'not exactly one JSON object';
  let line;
  try {
    line = JSON.parse(text);
  } catch (error) {
    return `not JSON (${error.message})`;
  }
  if (line === null || typeof line !== 'object' || Array.isArray(line)) return 'not a JSON object';
  if (duplicateMember(text)) return 'a duplicate member';
  return line;
}

// The result a command's stdout (a Buffer or Uint8Array) and exit code stand for. Throws 'usage' for the usage
// line and 'bad-line' for anything that is not one of the command's lines with its own exit code. Members the
// command's lines do not have are ignored; the whole line stays available as the result's `raw`.
function readResultLine(command, stdout, exitCode) {
  const shapes = Object.hasOwn(COMMANDS, command) ? COMMANDS[command] : undefined;
  if (shapes === undefined) throw new RangeError(`store-bridge has no command ${JSON.stringify(command)}`);
  if (!(stdout instanceof Uint8Array)) throw new TypeError('stdout must be a Buffer or a Uint8Array');
  const bytes = Buffer.from(stdout.buffer, stdout.byteOffset, stdout.byteLength);
  let text;
  try {
    text = utf8.decode(bytes);
  } catch {
    throw new StoreBridgeError('bad-line', 'the result line is not UTF-8', { exitCode, output: bytes.toString('utf8') });
  }
  const bad = (problem) => new StoreBridgeError('bad-line', `${problem}: ${text}`, { exitCode, output: text });
  const line = parse(text);
  if (typeof line === 'string') throw bad(line);
  const known = knownMembers(shapes);
  const members = Object.keys(line).filter((name) => known.has(name)).sort().join(',');
  if (exitCode === 2 && members === 'error' && line.error === 'usage') {
    throw new StoreBridgeError('usage', 'store-bridge refused its command line', { exitCode, output: text });
  }
  for (const { members: shapeMembers, exitCode: shapeExit, read } of shapes) {
    const result = shapeMembers === members ? read(line) : undefined;
    if (result === undefined) continue;
    if (exitCode !== shapeExit) throw bad(`exit code ${exitCode} does not go with the line`);
    return Object.defineProperty(result, 'raw', { value: Object.freeze(line) });
  }
  throw bad(`not a result line of "${command}"`);
}

module.exports = { readResultLine };
