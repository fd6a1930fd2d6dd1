// A host's code as the TypeScript compiler must see it: clients/test compiles this file with `tsc --strict --noEmit`.
// Each @ts-expect-error marks a misuse the declarations must catch; one that catches nothing fails the compile.
import {
  buy, review, license, products, collection, consume, balance, updates, version, readResultLine, exePath,
  StoreBridgeError, PurchaseResult, PurchaseStatus, ReviewResult, ReviewStatus, LicenseResult, ProductsResult, Product,
  ConsumeResult, ConsumableStatus, BalanceResult, UpdatesResult, PackageUpdate, VersionResult, update, UpdateResult,
  UpdateProgress, UpdateState, PackageState, app, purchaseId, collectionsId, AppResult, IdResult, Sku, DurationUnit,
  CollectionData,
} from '..';

const executable = 'store-bridge.exe';

// The program that came with the package, or the one shipped beside the app.
async function withBundledProgram(): Promise<string> {
  const program: string = exePath();
  const bought = await buy('9NBLGGH4R315');
  const reviewed = await review();
  return `${program}: ${bought.status} ${reviewed.status}`;
}

async function purchaseWords(storeId: string, signal: AbortSignal): Promise<string> {
  const result = await buy(storeId, { executable, timeoutMs: 600_000, signal });
  if (result.exitCode === 0) {
    const status: PurchaseStatus = result.status;
    const noText: null = result.error; // after success error is null, not string | null
    // @ts-expect-error a purchase status result has no updated
    result.updated;
    return status + String(noText);
  }
  const text: string = result.error;
  return text;
}

async function reviewUpdated(window: Uint8Array): Promise<boolean | undefined> {
  const result = await review({ executable, window, env: { STORE_BRIDGE_SIM: 'updated=true' } });
  if (result.exitCode === 1) {
    const closed: boolean = result.error === 'owner closed';
    const updated: false | undefined = result.updated;
    return closed || updated;
  }
  const status: ReviewStatus = result.status;
  return status === 'succeeded' && result.updated;
}

async function ownedAddOns(signal: AbortSignal): Promise<Set<string> | string> {
  const result = await license({ executable, signal });
  if (result.exitCode === 1) {
    // Only the query's own failure line has a code; the general failure and crash lines have none.
    const code: string | null = 'code' in result ? result.code : null;
    return `${code ?? 'no code'}: ${result.error}`;
  }
  const expires: string | null = result.expires;
  const left: number = result.trialSecondsLeft;
  return new Set(result.addOns.filter(({ active }) => active).map(({ storeId }) => storeId + String(expires) + left));
}

async function offers(kinds: string[]): Promise<readonly Product[]> {
  const offered = await products({ executable, kinds, timeoutMs: 30_000 });
  const owned = await collection({ executable });
  if (offered.exitCode === 1 || owned.exitCode === 1) return [];
  const saleEnds: (string | null)[] = offered.products.map((product) => product.saleEnds);
  return offered.products.filter(({ storeId }) => !owned.products.some((mine) => mine.storeId === storeId)
    && saleEnds.length > 0);
}

async function fulfil(storeId: string, trackingId: string): Promise<string> {
  const result = await consume(storeId, 5, { executable, trackingId });
  if (result.exitCode === 0) {
    const status: ConsumableStatus = result.status;
    const code: string | null = result.code;
    const left: number = result.balance;
    return `${status} ${code} ${left} ${result.trackingId}`;
  }
  if ('trackingId' in result) {
    const retryWith: string = result.trackingId;
    const code: string | null = result.code;
    return `${retryWith} ${code}`;
  }
  return result.error;
}

async function remaining(storeId: string): Promise<number | null> {
  const result = await balance(storeId, { executable });
  return result.exitCode === 0 && result.status === 'succeeded' ? result.balance : null;
}

// The banner to show, if any: mandatory updates first; silent downloads only when the Store allows them.
async function pendingUpdates(signal: AbortSignal): Promise<string> {
  const result = await updates({ executable, timeoutMs: 60_000, signal });
  if (result.exitCode === 1) {
    const code: string | null = 'code' in result ? result.code : null;
    return `${code ?? 'no code'}: ${result.error}`;
  }
  const mandatory: readonly PackageUpdate[] = result.updates.filter((update) => update.mandatory);
  const silent: boolean | null = result.canSilentlyDownload;
  const noText: null = result.error;
  return `${mandatory.map(({ packageFamilyName, version }) => `${packageFamilyName} ${version}`).join(', ')}`
    + `${silent === true ? ' (downloading)' : ''}${noText ?? ''}`;
}

function updatesMisuses(result: UpdatesResult, stdout: Uint8Array): void {
  if (result.exitCode === 0) {
    // @ts-expect-error the Store context may not say whether it may download silently
    const silent: boolean = result.canSilentlyDownload;
    // @ts-expect-error the updates are read-only
    result.updates.push(result.updates[0]);
    // @ts-expect-error an update's version is text, not a number
    const version: number = result.updates[0].version;
    // @ts-expect-error an update has no size
    result.updates[0].size;
  } else {
    // @ts-expect-error a failure has no updates
    result.updates;
    // @ts-expect-error a failure may have no code before 'code' in result
    const code: string | null = result.code;
  }
  // @ts-expect-error updates takes nothing but its options
  updates('Contoso.Notes_8wekyb3d8bbwe', { executable });
  // @ts-expect-error updates shows no dialog and takes no window
  updates({ executable, window: 4242 });
  // @ts-expect-error an updates line is no licence
  const wrong: LicenseResult = readResultLine('updates', stdout, 0);
  const right: UpdatesResult = readResultLine('updates', stdout, 0);
}

// Install what the check found, with a progress bar; a run Windows ended to install the app is no failure.
async function installUpdates(window: Uint8Array, bar: (share: number) => void, signal: AbortSignal): Promise<string> {
  const found = await updates({ executable, signal });
  const silent = found.exitCode === 0 && found.canSilentlyDownload === true;
  let result: UpdateResult;
  try {
    result = await update({
      executable, window, silent, downloadOnly: false, signal,
      onProgress: (progress: UpdateProgress) => bar(progress.totalProgress),
    });
  } catch (error) {
    if (error instanceof StoreBridgeError && error.kind === 'closedForUpdate') {
      const last: UpdateProgress | undefined = error.lastProgress;
      const state: UpdateState | undefined = last?.state;
      return `closed while ${state ?? 'updating'}`;
    }
    throw error;
  }
  if (result.exitCode === 1) {
    const code: string | null = 'code' in result ? result.code : null;
    return `${code ?? 'no code'}: ${result.error}`;
  }
  if (result.status === 'noUpdates') return 'up to date';
  const failed: readonly PackageState[] = result.packages.filter(({ state }) => state !== 'completed');
  const noText: null = result.error;
  return `${result.status}: ${failed.map(({ packageFamilyName }) => packageFamilyName).join(', ')}${noText ?? ''}`;
}

function updateMisuses(result: UpdateResult, progress: UpdateProgress, stdout: Uint8Array): void {
  if (result.exitCode === 0) {
    // @ts-expect-error "ok" is no update status
    const ok: typeof result.status = 'ok';
    // @ts-expect-error "noUpdates" is the call's status, never a package's
    const word: UpdateState = result.status;
    // @ts-expect-error the packages are read-only
    result.packages.push(result.packages[0]);
    // @ts-expect-error a package's state has no version
    result.packages[0].version;
  } else {
    // @ts-expect-error a failure has no packages
    result.packages;
  }
  // @ts-expect-error reports are read-only
  progress.totalProgress = 1;
  // @ts-expect-error byte counts are numbers, not bigints
  const bytes: bigint = progress.downloadSize;
  // @ts-expect-error "noUpdates" is no progress state
  const state: UpdateState = 'noUpdates';
  // @ts-expect-error downloadOnly is a boolean
  update({ executable, downloadOnly: 'yes' });
  // @ts-expect-error a window handle is no string
  update({ executable, window: '4242' });
  // @ts-expect-error onProgress is handed a report, not a number
  update({ executable, onProgress: (share: number) => share });
  // @ts-expect-error update takes nothing but its options
  update('Contoso.Notes_8wekyb3d8bbwe', { executable });
  // @ts-expect-error an update line is no updates line
  const wrong: UpdatesResult = readResultLine('update', stdout, 0);
  const right: UpdateResult = readResultLine('update', stdout, 0);
}

// What to log when the Store refuses to act: which bridge ran, and for which package.
async function identity(signal: AbortSignal): Promise<string> {
  const result = await version({ executable, timeoutMs: 10_000, signal });
  if (result.exitCode === 1) return result.error;
  const name: string | null = result.package;
  const noText: null = result.error;
  return `${result.version} ${name ?? 'without package identity'}${noText ?? ''}`;
}

function versionMisuses(result: VersionResult, stdout: Uint8Array): void {
  if (result.exitCode === 0) {
    // @ts-expect-error the package is null without package identity
    const name: string = result.package;
  } else {
    // @ts-expect-error a failure has no version
    result.version;
  }
  // @ts-expect-error version takes nothing but its options
  version('9NBLGGH4R315', { executable });
  // @ts-expect-error a version line is no licence
  const wrong: LicenseResult = readResultLine('version', stdout, 0);
  const right: VersionResult = readResultLine('version', stdout, 0);
}

function laterMisuses(
  license: LicenseResult, list: ProductsResult, consumed: ConsumeResult, left: BalanceResult,
): void {
  if (license.exitCode === 1) {
    // @ts-expect-error a failure may have no code before 'code' in result
    const code: string | null = license.code;
  } else {
    // @ts-expect-error add-on licences are read-only
    license.addOns.push(license.addOns[0]);
    // @ts-expect-error an add-on licence has no title
    license.addOns[0].title;
  }
  // @ts-expect-error the products are there only after success
  list.products;
  if (left.exitCode === 0) {
    // @ts-expect-error a balance has no tracking ID
    left.trackingId;
  }
  // @ts-expect-error a failure of consume may have no tracking ID (the general failure and crash lines)
  const retry: string = consumed.trackingId;
  if (consumed.exitCode === 0) {
    // @ts-expect-error "purchased" is no consumable status
    const purchased: typeof consumed.status = 'purchased';
  }
  // @ts-expect-error the quantity is a number
  consume('9NBLGGH4CO1N', '5', { executable });
  // @ts-expect-error consume needs a quantity
  consume('9NBLGGH4CO1N', { executable });
  // @ts-expect-error the tracking ID is a string
  consume('9NBLGGH4CO1N', 5, { executable, trackingId: 42 });
  // @ts-expect-error kinds is an array of words
  products({ executable, kinds: 'Durable' });
  // @ts-expect-error license takes no Store ID
  license('9NBLGGH4R315', { executable });
  // @ts-expect-error balance needs a Store ID
  balance({ executable });
  // @ts-expect-error a collection line is no licence
  const wrong: LicenseResult = readResultLine('collection', new Uint8Array(), 0);
  const right: ConsumeResult = readResultLine('consume', new Uint8Array(), 0);
}

function misuses(purchase: PurchaseResult, reviewed: ReviewResult): void {
  // @ts-expect-error error may be null before the exit code is checked
  const text: string = purchase.error;
  if (purchase.exitCode === 0) {
    // @ts-expect-error and is null after success
    const stillNull: string = purchase.error;
  }
  // @ts-expect-error "purchased" is no review status
  const words: ReviewStatus = purchase.status;
  if (reviewed.exitCode === 0) {
    // @ts-expect-error "succeeded" is no purchase status
    const reviewWords: PurchaseStatus = reviewed.status;
  }
  // @ts-expect-error results are read-only
  purchase.exitCode = 1;
  // @ts-expect-error the Store ID is a string
  buy(42, { executable });
  // @ts-expect-error the executable is a path
  buy('9NBLGGH4R315', { executable: 42 });
  // @ts-expect-error a window handle is no string
  review({ executable, window: '4242' });
  // @ts-expect-error a window handle is no string, for buy either
  buy('9NBLGGH4R315', { executable, window: '4242' });
  // @ts-expect-error the signal is an AbortSignal
  buy('9NBLGGH4R315', { executable, signal: true });
}

function readByHand(stdout: Uint8Array, exitCode: number | null): PurchaseResult {
  const unknownMembers: unknown = readResultLine('review', stdout, exitCode).raw['addedLater'];
  // @ts-expect-error a review line is no purchase result
  const wrong: PurchaseResult = readResultLine('review', stdout, exitCode);
  return readResultLine('buy', stdout, exitCode);
}

function explain(error: unknown): string {
  if (!(error instanceof StoreBridgeError)) throw error;
  switch (error.kind) {
    case 'aborted': return `stopped: ${String(error.cause)}`;
    case 'timed-out': return `no answer (${error.signal ?? 'no signal'}): ${error.output}`;
    // @ts-expect-error no such kind
    case 'killed': return 'never';
    default: return `${error.kind}, exit code ${error.exitCode ?? 'none'}`;
  }
}

// A subscription's terms from any of its SKUs, and the key for the developer's service.
async function subscriptionTerms(ticket: string): Promise<string> {
  const listed: AppResult = await app({ executable, timeoutMs: 60_000 });
  if (listed.exitCode !== 0 || listed.product === null) return 'not listed';
  const terms: Sku | undefined = listed.product.skus.find((sku) => sku.billingPeriod !== null);
  const unit: DurationUnit | null | undefined = terms?.billingPeriodUnit;
  const owned: CollectionData | null | undefined = listed.product.skus[0]?.collection;
  const ends: string | null | undefined = owned?.end;
  // @ts-expect-error a period may be null: no subscription terms
  const months: number = listed.product.skus[0].billingPeriod;
  // @ts-expect-error units are words
  const wrongUnit: DurationUnit = 4;
  const key: IdResult = await purchaseId(ticket, 'user-1', { executable, timeoutMs: 60_000 });
  const keyText: string = key.exitCode === 0 ? key.id : key.error;
  // @ts-expect-error the failure has no id
  if (key.exitCode === 1) key.id;
  // @ts-expect-error the user ID is a string
  collectionsId(ticket, 42);
  // @ts-expect-error the ticket never goes among the options
  collectionsId({ serviceTicket: ticket });
  const elevated = await version({ executable });
  const checked: boolean | null = elevated.exitCode === 0 ? elevated.elevated : null;
  return `${unit} ${ends} ${keyText} ${checked} ${months} ${wrongUnit}`;
}

export {
  subscriptionTerms, purchaseWords, reviewUpdated, misuses, readByHand, explain, ownedAddOns, offers, fulfil, remaining, laterMisuses,
  identity, versionMisuses, pendingUpdates, updatesMisuses, installUpdates, updateMisuses,
};
