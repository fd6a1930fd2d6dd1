'use strict';

const { StoreBridgeError } = require('./errors');

const PURCHASE_STATUSES = ['purchased', 'alreadyPurchased', 'cancelled', 'error'];
const REVIEW_STATUSES = ['succeeded', 'cancelled', 'network', 'error'];
const CONSUMABLE_STATUSES = ['succeeded', 'insufficientQuantity', 'network', 'server', 'error'];
// An update's state, of the whole call or of one package, and of a progress report.
const UPDATE_STATES = ['pending', 'downloading', 'deploying', 'completed', 'cancelled', 'error', 'errorLowBattery',
  'errorWiFiRecommended', 'errorWiFiRequired'];
// A subscription's billing and trial period units; "unknown" for a unit this bridge does not know.
const DURATION_UNITS = ['minute', 'hour', 'day', 'week', 'month', 'year', 'unknown'];
// Byte counts are unsigned 64-bit; JSON.parse rounds those above 2^53 to the nearest double, at most 2^64.
const MAX_BYTES = 2 ** 64;

// RFC 3339 UTC in whole seconds; a failure HRESULT as 0x%08X; a GUID as the bridge writes it back.
const DATE = /^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}Z$/;
const FAILURE_CODE = /^0x[89A-F][0-9A-F]{7}$/;
const TRACKING_ID = /^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$/;
// A package version, Major.Minor.Build.Revision, each part 0 to 65535 written without leading zeros.
const PACKAGE_VERSION = /^(?:0|[1-9]\d{0,4})(?:\.(?:0|[1-9]\d{0,4})){3}$/;

// Strict: a BOM or bytes that are not UTF-8 make the line unreadable, not patched.
const utf8 = new TextDecoder('utf-8', { fatal: true, ignoreBOM: true });

const isText = (value) => typeof value === 'string' && value !== '';
const isString = (value) => typeof value === 'string';
const isBoolean = (value) => typeof value === 'boolean';
const isCount = (value) => Number.isSafeInteger(value) && value >= 0;
const isDate = (value) => value === null || (isString(value) && DATE.test(value));
const isCode = (value) => value === null || (isString(value) && FAILURE_CODE.test(value));
const isTrackingId = (value) => isString(value) && TRACKING_ID.test(value);
const isPackageVersion = (value) => isString(value) && PACKAGE_VERSION.test(value)
  && value.split('.').every((part) => Number(part) <= 0xffff);
const isUpdateState = (value) => UPDATE_STATES.includes(value);
const isFraction = (value) => typeof value === 'number' && value >= 0 && value <= 1;
const isByteCount = (value) => Number.isInteger(value) && value >= 0 && value <= MAX_BYTES;
const isObject = (value) => value !== null && typeof value === 'object' && !Array.isArray(value);
const isPeriod = (value) => value === null || (isCount(value) && value <= 0xffffffff);
const isDurationUnit = (value) => value === null || DURATION_UNITS.includes(value);

// A member that is an object or a list of its own: read by its own table, so that its unknown members are dropped
// too. Its read gives undefined when the value does not fit.
const nested = (read) => ({ read });

// An object's members of the given names and types; undefined when one is missing or does not fit. Members beyond
// these are ignored, as at the top of a line.
function fields(object, types) {
  if (!isObject(object)) return undefined;
  const read = {};
  for (const [name, type] of Object.entries(types)) {
    if (!Object.hasOwn(object, name)) return undefined;
    const value = typeof type === 'function' ? (type(object[name]) ? object[name] : undefined) : type.read(object[name]);
    if (value === undefined) return undefined;
    read[name] = value;
  }
  return read;
}

// The entries of a list, each read by fields() or by its own read; undefined when it is no list or any entry does not
// fit.
function entries(list, types) {
  if (!Array.isArray(list)) return undefined;
  const read = list.map((entry) => (typeof types === 'function' ? types(entry) : fields(entry, types)));
  return read.includes(undefined) ? undefined : read;
}

const LICENSE = {
  active: isBoolean, trial: isBoolean, trialOwned: isBoolean, trialSecondsLeft: isCount, expires: isDate, sku: isString,
  trialId: isString,
};
const ADD_ON = { storeId: isString, sku: isString, active: isBoolean, expires: isDate, offerToken: isString };
// The user's entitlement to a SKU; dates as the licence's.
const COLLECTION_DATA = { trial: isBoolean, acquired: isDate, start: isDate, end: isDate, trialSecondsLeft: isCount };
const SKU = {
  storeId: isString, title: isString, description: isString, trial: isBoolean, subscription: isBoolean,
  price: isString, basePrice: isString, currency: isString, onSale: isBoolean, saleEnds: isDate,
  recurrencePrice: isString, inCollection: isBoolean, billingPeriod: isPeriod, billingPeriodUnit: isDurationUnit,
  trialPeriod: isPeriod, trialPeriodUnit: isDurationUnit,
  collection: nested((value) => (value === null ? null : fields(value, COLLECTION_DATA))),
};
// A period and its unit are there together; the trial's only with a billing period (a SKU without subscription
// terms has neither, one without a trial period no trial's).
function readSku(entry) {
  const sku = fields(entry, SKU);
  if (sku === undefined) return undefined;
  const billing = sku.billingPeriod !== null;
  const trial = sku.trialPeriod !== null;
  const paired = billing === (sku.billingPeriodUnit !== null) && trial === (sku.trialPeriodUnit !== null);
  return paired && (billing || !trial) ? sku : undefined;
}
const PRODUCT = {
  storeId: isString, kind: isString, title: isString, description: isString, price: isString, basePrice: isString,
  currency: isString, onSale: isBoolean, saleEnds: isDate, recurrencePrice: isString, inCollection: isBoolean,
  offerToken: isString, skus: nested((list) => entries(list, readSku)),
};
const PACKAGE_UPDATE = { packageFamilyName: isString, version: isPackageVersion, mandatory: isBoolean };
const PACKAGE_STATE = { packageFamilyName: isString, state: isUpdateState };
const PROGRESS = {
  packageFamilyName: isString, state: isUpdateState, packageProgress: isFraction, totalProgress: isFraction,
  bytesDownloaded: isByteCount, downloadSize: isByteCount,
};

// A kind of line: its members, its exit code, and its reading (undefined when a value does not fit).
const shape = (members, exitCode, read) => ({ members: members.sort().join(','), exitCode, read });

const generalFailure = shape(['error'], 1, ({ error }) =>
  (typeof error === 'string' ? { status: 'error', error, exitCode: 1 } : undefined));
const reviewFailure = shape(['status', 'updated', 'error'], 1, ({ status, updated, error }) =>
  (status === 'error' && updated === false && isText(error) ? { status, updated, error, exitCode: 1 } : undefined));
// The crash line has the review failure's shape whichever command crashed.
const crash = { ...reviewFailure, read: (line) => (line.error === 'crash' ? reviewFailure.read(line) : undefined) };

// A query's platform failure; code is null for one that ended without a result and without a code.
const queryFailure = shape(['status', 'code', 'error'], 1, ({ status, code, error }) =>
  (status === 'error' && isCode(code) && isString(error) && (code !== null || error !== '')
    ? { status, code, error, exitCode: 1 } : undefined));

const productList = shape(['status', 'products', 'error'], 0, ({ status, products, error }) => {
  const list = entries(products, PRODUCT);
  return status === 'ok' && error === null && list ? { status, products: list, error, exitCode: 0 } : undefined;
});
const customerId = shape(['status', 'id', 'error'], 0, ({ status, id, error }) =>
  (status === 'ok' && isText(id) && error === null ? { status, id, error, exitCode: 0 } : undefined));
const queryLines = (success) => [success, queryFailure, generalFailure, crash];

// The Store's answer to a consumable request: its status word always stands, code is its ExtendedError.
const consumableAnswer = ({ status, balance, code, error }) =>
  error === null && CONSUMABLE_STATUSES.includes(status) && isCount(balance) && balance <= 0xffffffff && isCode(code);

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
  license: queryLines(shape(
    ['status', 'active', 'trial', 'trialOwned', 'trialSecondsLeft', 'expires', 'sku', 'trialId', 'addOns', 'error'], 0,
    (line) => {
      const license = fields(line, LICENSE);
      const addOns = entries(line.addOns, ADD_ON);
      return line.status === 'ok' && line.error === null && license && addOns
        ? { status: 'ok', ...license, addOns, error: null, exitCode: 0 } : undefined;
    })),
  products: queryLines(productList),
  collection: queryLines(productList),
  consume: [
    shape(['status', 'balance', 'trackingId', 'code', 'error'], 0, (line) => {
      const { status, balance, trackingId, code, error } = line;
      return consumableAnswer(line) && isTrackingId(trackingId)
        ? { status, balance, trackingId, code, error, exitCode: 0 } : undefined;
    }),
    // Without a result the line still carries the tracking ID that was sent, to retry with.
    shape(['status', 'code', 'trackingId', 'error'], 1, ({ status, code, trackingId, error }) => {
      const failure = queryFailure.read({ status, code, error });
      return failure && isTrackingId(trackingId) ? { status, code, trackingId, error, exitCode: 1 } : undefined;
    }),
    generalFailure,
    crash,
  ],
  balance: queryLines(shape(['status', 'balance', 'code', 'error'], 0, (line) => {
    const { status, balance, code, error } = line;
    return consumableAnswer(line) ? { status, balance, code, error, exitCode: 0 } : undefined;
  })),
  updates: queryLines(shape(['status', 'updates', 'canSilentlyDownload', 'error'], 0, (line) => {
    const { status, canSilentlyDownload, error } = line;
    const updates = entries(line.updates, PACKAGE_UPDATE);
    // null: the Store context cannot say whether it may download without asking.
    const silent = canSilentlyDownload === null || isBoolean(canSilentlyDownload);
    return status === 'ok' && error === null && updates && silent
      ? { status, updates, canSilentlyDownload, error, exitCode: 0 } : undefined;
  })),
  // "owner closed" is a query failure without a code: the Store may still finish the update.
  update: queryLines(shape(['status', 'packages', 'error'], 0, ({ status, packages: list, error }) => {
    const packages = entries(list, PACKAGE_STATE);
    // The check found nothing: no second call, so no package either.
    const done = status === 'noUpdates' ? packages?.length === 0 : isUpdateState(status);
    return done && error === null && packages ? { status, packages, error, exitCode: 0 } : undefined;
  })),
  // The product is null when the Store's result has none.
  app: queryLines(shape(['status', 'product', 'error'], 0, ({ status, product: entry, error }) => {
    const product = entry === null ? null : fields(entry, PRODUCT);
    return status === 'ok' && error === null && product !== undefined
      ? { status, product, error, exitCode: 0 } : undefined;
  })),
  // An empty ID is no answer: the bridge gives the query failure "no id" instead.
  'purchase-id': queryLines(customerId),
  'collections-id': queryLines(customerId),
  // No Store call, so no Store failure line of its own. elevated is null when the process token cannot be read.
  version: [
    shape(['status', 'version', 'package', 'elevated', 'error'], 0, ({ status, version, package: name, elevated,
      error }) => (status === 'ok' && isText(version) && (name === null || isString(name))
        && (elevated === null || isBoolean(elevated)) && error === null
        ? { status, version, package: name, elevated, error, exitCode: 0 } : undefined)),
    generalFailure,
    crash,
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
    throw new StoreBridgeError('usage', 'store-bridge refused its command line or standard input',
      { exitCode, output: text });
  }
  for (const { members: shapeMembers, exitCode: shapeExit, read } of shapes) {
    const result = shapeMembers === members ? read(line) : undefined;
    if (result === undefined) continue;
    if (exitCode !== shapeExit) throw bad(`exit code ${exitCode} does not go with the line`);
    return Object.defineProperty(result, 'raw', { value: Object.freeze(line) });
  }
  throw bad(`not a result line of "${command}"`);
}

// One progress line of update, its line break included: {"progress":{...}} and nothing else at its top, read as
// strictly as a result line. Throws 'bad-line'.
function readProgressLine(bytes) {
  let text;
  try {
    text = utf8.decode(bytes);
  } catch {
    throw new StoreBridgeError('bad-line', 'a progress line is not UTF-8', { output: Buffer.from(bytes).toString('utf8') });
  }
  const bad = (problem) => new StoreBridgeError('bad-line', `${problem}: ${text}`, { output: text });
  if (!text.endsWith('\n')) throw bad('a progress line without its line break');
  const line = parse(text.slice(0, -1));
  if (typeof line === 'string') throw bad(line);
  if (Object.keys(line).join(',') !== 'progress') throw bad('not a progress line');
  const progress = fields(line.progress, PROGRESS);
  if (progress === undefined) throw bad('not a progress line');
  return progress;
}

module.exports = { readResultLine, readProgressLine };
