'use strict';

const { StoreBridgeError } = require('./errors');

const PURCHASE_STATUSES = ['purchased', 'alreadyPurchased', 'cancelled', 'error'];
const REVIEW_STATUSES = ['succeeded', 'cancelled', 'network', 'error'];

// Strict: a BOM or bytes that are not UTF-8 make the line unreadable, not patched.
const utf8 = new TextDecoder('utf-8', { fatal: true, ignoreBOM: true });

const isText = (value) => typeof value === 'string' && value !== '';

// The documented shapes a command can end with, each with the exit code that
// goes with it. Returns [result, exit code], or a problem text.
function shapeOf(command, line) {
  const members = Object.keys(line).sort().join(',');
  const { status, updated, error } = line;
  if (members === 'error' && typeof error === 'string') {
    return [{ status: 'error', error, exitCode: 1 }, 1];
  }
  if (members === 'error,status' && command === 'buy') {
    if (error === null && PURCHASE_STATUSES.includes(status)) return [{ status, error, exitCode: 0 }, 0];
    if (status === 'error' && isText(error)) return [{ status, error, exitCode: 1 }, 1];
  }
  if (members === 'error,status,updated' && typeof updated === 'boolean') {
    if (command === 'review' && error === null && REVIEW_STATUSES.includes(status)) {
      return [{ status, updated, error, exitCode: 0 }, 0];
    }
    // The crash line has the review failure's shape whichever command crashed.
    if (status === 'error' && updated === false && isText(error) && (command === 'review' || error === 'crash')) {
      return [{ status, updated, error, exitCode: 1 }, 1];
    }
  }
  return `not a result line of "${command}"`;
}

// Every member name in the text; a flat object's values cannot hide one.
function memberCount(text) {
  let count = 0;
  for (const match of text.matchAll(/"(?:[^"\\]|\\.)*"(\s*:)?/g)) if (match[1]) count += 1;
  return count;
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
  if (Object.values(line).some((value) => value !== null && typeof value === 'object')) return 'a nested value';
  if (memberCount(text) !== Object.keys(line).length) return 'a duplicate member';
  return line;
}

// The result a run's stdout and exit code stand for. Throws 'usage' for the
// usage line and 'bad-line' for anything that is not a documented line with
// its own exit code.
function readResultLine(command, stdout, exitCode) {
  let text;
  try {
    text = utf8.decode(stdout);
  } catch {
    throw new StoreBridgeError('bad-line', 'the result line is not UTF-8', { exitCode, output: stdout.toString('utf8') });
  }
  const bad = (problem) => new StoreBridgeError('bad-line', `${problem}: ${text}`, { exitCode, output: text });
  const line = parse(text);
  if (typeof line === 'string') throw bad(line);
  if (exitCode === 2 && Object.keys(line).length === 1 && line.error === 'usage') {
    throw new StoreBridgeError('usage', 'store-bridge refused its command line', { exitCode, output: text });
  }
  const shape = shapeOf(command, line);
  if (typeof shape === 'string') throw bad(shape);
  const [result, expectedExit] = shape;
  if (exitCode !== expectedExit) throw bad(`exit code ${exitCode} does not go with the line`);
  return result;
}

module.exports = { readResultLine };
