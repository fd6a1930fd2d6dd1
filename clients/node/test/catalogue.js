'use strict';

// A shop's catalogue described once, and the simulated Store's scenario items that stand for it: the products the
// Store offers, and the licences of those the user owns.
const fs = require('node:fs');

// Every byte but letters and digits percent-encoded, as the scenario's texts take them.
const encoded = (text) => Array.from(Buffer.from(text, 'utf8'),
  (byte) => (/[A-Za-z0-9]/.test(String.fromCharCode(byte)) ? String.fromCharCode(byte)
    : `%${byte.toString(16).toUpperCase().padStart(2, '0')}`)).join('');

// The platform's DateTime: 100-ns ticks since 1601-01-01 UTC.
const ticks = (date) => String((BigInt(Date.parse(date)) + 11644473600000n) * 10000n);

// In storeId order, as the lines list them. Texts carry what the line must escape.
const CATALOGUE = [
  { storeId: '9NBLGGH4CO1N', kind: 'Consumable', title: '100 Münzen', description: 'Coins for the shop.',
    price: '0,99 €', basePrice: '0,99 €', currency: 'EUR', onSale: false, saleEnds: null, recurrencePrice: '',
    offerToken: 'coins-100', skus: [] },
  { storeId: '9NBLGGH4TNMP', kind: 'Durable', title: 'Gold "Edition"', description: 'Every level.\r\nNo ads:\t\\o/',
    price: '$1.99', basePrice: '$2.99', currency: 'USD', onSale: true, saleEnds: '2027-01-01T00:00:00Z',
    recurrencePrice: '', offerToken: 'gold', skus: [] },
  { storeId: '9NBLGGH4TNMQ', kind: 'Durable', title: 'Silver', description: '', price: '$0.99', basePrice: '$0.99',
    currency: 'USD', onSale: false, saleEnds: null, recurrencePrice: '', offerToken: 'silver', skus: [] },
];
const SKU = (storeId) => `${storeId}/0010`;
const LICENCE_EXPIRES = '2027-03-01T00:00:00Z';

const productItem = (product, owned) => [
  `product=${product.storeId}`, `kind=${product.kind}`, `title=${encoded(product.title)}`,
  `description=${encoded(product.description)}`, `price=${encoded(product.price)}`,
  `base-price=${encoded(product.basePrice)}`, `currency=${product.currency}`, `on-sale=${product.onSale}`,
  ...(product.saleEnds ? [`sale-ends=${ticks(product.saleEnds)}`] : []),
  `in-collection=${owned}`, `token=${encoded(product.offerToken)}`,
].join(',');

// The scenario of the catalogue with the user owning the products named; owned durables hold a licence.
function catalogueScenario(owned = []) {
  const products = CATALOGUE.map((product) => productItem(product, owned.includes(product.storeId)));
  const licenses = CATALOGUE.filter(({ storeId, kind }) => kind === 'Durable' && owned.includes(storeId))
    .map(({ storeId, offerToken }) => `add-on=${SKU(storeId)},token=${offerToken},expires=${ticks(LICENCE_EXPIRES)}`);
  // Given in reverse: the lines sort them.
  return [...products, ...licenses].reverse().join(';');
}

// The products of the catalogue as the client reads them.
const catalogueProducts = (owned = [], kinds = ['Durable', 'Consumable', 'UnmanagedConsumable']) => CATALOGUE
  .filter(({ kind }) => kinds.includes(kind))
  .map((product) => ({ ...product, inCollection: owned.includes(product.storeId) }));

// The trace's calls (one JSON object a line) with this name.
const traced = (file, call) => (fs.existsSync(file) ? fs.readFileSync(file, 'utf8') : '').split('\n').filter(Boolean)
  .map((line) => JSON.parse(line)).filter((entry) => entry.call === call);

module.exports = { CATALOGUE, SKU, LICENCE_EXPIRES, encoded, ticks, catalogueScenario, catalogueProducts, traced };
