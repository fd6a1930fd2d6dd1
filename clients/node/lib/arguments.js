'use strict';

// The arguments of the query and consumable commands, checked as the bridge will read them, so that a wrong one is
// the host's programming error before anything starts rather than a usage line after.

const MAX_QUANTITY = 0xffffffff;
const GUID_DIGITS = '[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}';
const GUID = new RegExp(`^(?:${GUID_DIGITS}|\\{${GUID_DIGITS}\\})$`);

// Product kind words, in order, joined by commas; none means the bridge's own default.
function kindsArgument(kinds) {
  if (kinds === undefined || kinds === null) return [];
  if (!Array.isArray(kinds)) throw new TypeError('kinds must be an array of product kind words');
  if (kinds.length === 0) throw new RangeError('kinds must hold at least one product kind word');
  for (const kind of kinds) {
    if (typeof kind !== 'string') throw new TypeError('each product kind must be a string');
    // A comma would split the word in two, an empty word is refused by the bridge, and no argument holds a NUL.
    if (kind === '' || /[,\0]/.test(kind)) throw new RangeError(`not a product kind word: ${JSON.stringify(kind)}`);
  }
  return [kinds.join(',')];
}

function quantityArgument(quantity) {
  if (typeof quantity !== 'number') throw new TypeError('quantity must be a number');
  if (!Number.isInteger(quantity) || quantity < 1 || quantity > MAX_QUANTITY) {
    throw new RangeError(`quantity must be an integer from 1 to ${MAX_QUANTITY}, not ${quantity}`);
  }
  return String(quantity);
}

// xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx, either case, optionally in braces; none lets the bridge make one.
function trackingIdArgument(trackingId) {
  if (trackingId === undefined || trackingId === null) return [];
  if (typeof trackingId !== 'string') throw new TypeError('trackingId must be a GUID string');
  if (!GUID.test(trackingId)) throw new RangeError(`trackingId is not a GUID: ${JSON.stringify(trackingId)}`);
  return [trackingId];
}

// A UTF-16 half without its other half has no UTF-8 form.
const LONE_SURROGATE = /[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/;

// The object the ID commands read from stdin. The messages never quote the values: the ticket is a bearer token.
function customerIdRequest(serviceTicket, publisherUserId) {
  for (const [name, value] of [['serviceTicket', serviceTicket], ['publisherUserId', publisherUserId]]) {
    if (typeof value !== 'string') throw new TypeError(`${name} must be a string`);
    if (LONE_SURROGATE.test(value)) throw new RangeError(`${name} is not well-formed Unicode`);
  }
  // Its size is the bridge's to check (64 KiB): more is a usage line, as a wrong command line is.
  return Buffer.from(JSON.stringify({ serviceTicket, publisherUserId }), 'utf8');
}

module.exports = { customerIdRequest, kindsArgument, quantityArgument, trackingIdArgument };
