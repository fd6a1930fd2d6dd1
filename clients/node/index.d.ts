export type PurchaseStatus = 'purchased' | 'alreadyPurchased' | 'cancelled' | 'error';
export type ReviewStatus = 'succeeded' | 'cancelled' | 'network' | 'error';
export type ConsumableStatus = 'succeeded' | 'insufficientQuantity' | 'network' | 'server' | 'error';

/**
 * The whole line as read, members this client does not know included: a later bridge may add members, and the
 * client ignores them. Not an own enumerable property: it is left out of comparisons, spreads and IPC copies.
 */
export type RawLine = Readonly<Record<string, unknown>>;

/** The Store delivered a purchase result (exit code 0), even when its word is "error". */
export interface PurchaseStatusResult {
  readonly status: PurchaseStatus;
  readonly error: null;
  readonly exitCode: 0;
  readonly raw: RawLine;
}

/** The Store delivered a review result (exit code 0). */
export interface ReviewStatusResult {
  readonly status: ReviewStatus;
  /** An earlier review of the user's was replaced. */
  readonly updated: boolean;
  readonly error: null;
  readonly exitCode: 0;
  readonly raw: RawLine;
}

/**
 * The run failed and said why (exit code 1): a general failure (no `updated`, text possibly empty), a purchase or
 * review failure, "no operation", "owner closed" or "crash" (these last with `updated: false`, as their lines carry it).
 */
export interface FailureResult {
  readonly status: 'error';
  readonly updated?: false;
  readonly error: string;
  readonly exitCode: 1;
  readonly raw: RawLine;
}

/** An add-on licence the user holds (a durable add-on or a subscription). */
export interface AddOnLicense {
  /** The product's Store ID, the part of `sku` before its first "/": the ID `products` and `buy` use. */
  readonly storeId: string;
  /** The licence's SKU Store ID, "9NBLGGH4TNMP/0010". */
  readonly sku: string;
  readonly active: boolean;
  /** UTC, "YYYY-MM-DDTHH:MM:SSZ"; null when it never ends. */
  readonly expires: string | null;
  readonly offerToken: string;
}

/** The app's licence and its add-on licences (exit code 0). */
export interface LicenseStatusResult {
  readonly status: 'ok';
  readonly active: boolean;
  readonly trial: boolean;
  readonly trialOwned: boolean;
  /** Whole seconds; 0 unless `trial`. */
  readonly trialSecondsLeft: number;
  /** UTC, "YYYY-MM-DDTHH:MM:SSZ"; null when it never ends. */
  readonly expires: string | null;
  readonly sku: string;
  readonly trialId: string;
  /** Sorted by `storeId`. */
  readonly addOns: readonly AddOnLicense[];
  readonly error: null;
  readonly exitCode: 0;
  readonly raw: RawLine;
}

/** A unit of a subscription's billing or trial period; "unknown" for one this bridge does not know. */
export type DurationUnit = 'minute' | 'hour' | 'day' | 'week' | 'month' | 'year' | 'unknown';

/** The user's entitlement to a SKU. Dates UTC, "YYYY-MM-DDTHH:MM:SSZ", or null for none and for never. */
export interface CollectionData {
  readonly trial: boolean;
  readonly acquired: string | null;
  readonly start: string | null;
  readonly end: string | null;
  /** Whole seconds; for usage-limited trials only, which few developer accounts have. */
  readonly trialSecondsLeft: number;
}

/**
 * One SKU of a product, with the user's prices. A subscription SKU has its billing period; the platform is known to
 * report an owned subscription SKU with `subscription` false and no terms, so look for the terms on any SKU.
 */
export interface Sku {
  /** "9NBLGGH4TNMP/0010": the product's Store ID, "/", the SKU's own. */
  readonly storeId: string;
  readonly title: string;
  readonly description: string;
  readonly trial: boolean;
  readonly subscription: boolean;
  readonly price: string;
  readonly basePrice: string;
  readonly currency: string;
  readonly onSale: boolean;
  readonly saleEnds: string | null;
  readonly recurrencePrice: string;
  /** Unreliable in a `products` answer: decide ownership from `collection` or the licence. */
  readonly inCollection: boolean;
  /** All four null without subscription terms; the trial's two null without a trial period. */
  readonly billingPeriod: number | null;
  readonly billingPeriodUnit: DurationUnit | null;
  readonly trialPeriod: number | null;
  readonly trialPeriodUnit: DurationUnit | null;
  /** Null when the Store gives no entitlement data for the SKU. */
  readonly collection: CollectionData | null;
}

/** A product with the user's prices. A product without a price has empty price texts and `onSale` false. */
export interface Product {
  readonly storeId: string;
  /** "Durable", "Consumable", "UnmanagedConsumable", "Application", "Game", or a kind a later platform adds. */
  readonly kind: string;
  readonly title: string;
  /** May hold line breaks. */
  readonly description: string;
  readonly price: string;
  readonly basePrice: string;
  readonly currency: string;
  readonly onSale: boolean;
  /** UTC, "YYYY-MM-DDTHH:MM:SSZ"; null unless `onSale` and the sale has an end. */
  readonly saleEnds: string | null;
  readonly recurrencePrice: string;
  readonly inCollection: boolean;
  readonly offerToken: string;
  /** Every SKU of the product, sorted by `storeId`. */
  readonly skus: readonly Sku[];
}

/** The products of `products` or `collection` (exit code 0). */
export interface ProductListResult {
  readonly status: 'ok';
  /** Sorted by `storeId`. */
  readonly products: readonly Product[];
  readonly error: null;
  readonly exitCode: 0;
  readonly raw: RawLine;
}

/** The Store answered a consumable request (exit code 0). Its status word stands even when `code` is set. */
export interface BalanceStatusResult {
  readonly status: ConsumableStatus;
  /** The remaining balance of a Store-managed consumable. */
  readonly balance: number;
  /** The result's extended error, "0x8XXXXXXX", when it is a failure code; else null. */
  readonly code: string | null;
  readonly error: null;
  readonly exitCode: 0;
  readonly raw: RawLine;
}

export interface ConsumeStatusResult extends BalanceStatusResult {
  /** The tracking ID that was sent, lower case without braces: retry with it. */
  readonly trackingId: string;
}

/**
 * A query, `balance` or `updates` failed on the platform (exit code 1): `code` is the HRESULT, "0x8XXXXXXX", and
 * `error` its words (possibly empty); or `code` is null and `error` is "no result" or "no operation".
 */
export interface QueryFailureResult {
  readonly status: 'error';
  readonly code: string | null;
  readonly error: string;
  readonly exitCode: 1;
  readonly raw: RawLine;
}

/** `consume` ended without a Store result (exit code 1); it carries the tracking ID that was sent, to retry with. */
export interface ConsumeFailureResult extends QueryFailureResult {
  readonly trackingId: string;
}

/** An update the Store has for one of this app's packages: the app's own or an optional package of it. */
export interface PackageUpdate {
  readonly packageFamilyName: string;
  /** The version the update brings, "Major.Minor.Build.Revision", each part 0 to 65535. */
  readonly version: string;
  /** Marked mandatory in Partner Center. The platform does not enforce it: the app decides what it means. */
  readonly mandatory: boolean;
}

/** The updates the Store has for this app's packages (exit code 0). */
export interface UpdatesStatusResult {
  readonly status: 'ok';
  /** Sorted by `packageFamilyName`; empty when there is none. */
  readonly updates: readonly PackageUpdate[];
  /** Whether the Store may download them without asking the user; null when the Store context cannot say. */
  readonly canSilentlyDownload: boolean | null;
  readonly error: null;
  readonly exitCode: 0;
  readonly raw: RawLine;
}

/** The state of an update, of the whole call or of one package. */
export type UpdateState =
  | 'pending' | 'downloading' | 'deploying' | 'completed' | 'cancelled' | 'error' | 'errorLowBattery'
  | 'errorWiFiRecommended' | 'errorWiFiRequired';

/** Where one package's update stands, as the Store reported it while `update` ran. */
export interface UpdateProgress {
  readonly packageFamilyName: string;
  /** "deploying": Windows installs it, and may close the app (and the bridge) to do so. */
  readonly state: UpdateState;
  /** This package's share done, 0 to 1. */
  readonly packageProgress: number;
  /** All the packages' share done, 0 to 1. */
  readonly totalProgress: number;
  /** Exact below 2^53 (9 PB); a bigger count arrives rounded to the nearest double. */
  readonly bytesDownloaded: number;
  /** Exact below 2^53, as `bytesDownloaded`. */
  readonly downloadSize: number;
}

/** One package of an update and the state it ended in. */
export interface PackageState {
  readonly packageFamilyName: string;
  readonly state: UpdateState;
}

/**
 * The update call ended (exit code 0): `status` is the state of the whole call, `packages` each package's state,
 * sorted by `packageFamilyName`; or `status` is "noUpdates" and `packages` empty: the check found nothing to update.
 */
export interface UpdateStatusResult {
  readonly status: UpdateState | 'noUpdates';
  readonly packages: readonly PackageState[];
  readonly error: null;
  readonly exitCode: 0;
  readonly raw: RawLine;
}

/** The bridge's version and the package identity its process runs under (exit code 0). */
export interface VersionStatusResult {
  readonly status: 'ok';
  /** The bridge's version, "0.2.0". */
  readonly version: string;
  /** The package full name; null without package identity, when the Store acts for no app. */
  readonly package: string | null;
  /** Whether the process runs elevated, where in-app purchase is not supported; null when its token cannot be read. */
  readonly elevated: boolean | null;
  readonly error: null;
  readonly exitCode: 0;
  readonly raw: RawLine;
}

/** The app's own product in the Store (exit code 0); null when the Store's result has none. */
export interface AppProductResult {
  readonly status: 'ok';
  readonly product: Product | null;
  readonly error: null;
  readonly exitCode: 0;
  readonly raw: RawLine;
}

/** A Microsoft Store ID key for the developer's service (exit code 0), valid for 30 days. */
export interface IdStatusResult {
  readonly status: 'ok';
  readonly id: string;
  readonly error: null;
  readonly exitCode: 0;
  readonly raw: RawLine;
}

/**
 * Told apart by `exitCode`: 0, the Store answered (`error` is null); 1, it did not (`error` says why). The failures
 * of the later commands carry a `code` (`'code' in result`), except the general failure and crash lines.
 */
export type PurchaseResult = PurchaseStatusResult | FailureResult;
export type ReviewResult = ReviewStatusResult | FailureResult;
export type LicenseResult = LicenseStatusResult | QueryFailureResult | FailureResult;
export type ProductsResult = ProductListResult | QueryFailureResult | FailureResult;
export type ConsumeResult = ConsumeStatusResult | ConsumeFailureResult | FailureResult;
export type BalanceResult = BalanceStatusResult | QueryFailureResult | FailureResult;
export type UpdatesResult = UpdatesStatusResult | QueryFailureResult | FailureResult;
/** The query failure includes "owner closed", code null: the host's window went while the Store's UI was up. */
export type UpdateResult = UpdateStatusResult | QueryFailureResult | FailureResult;
export type VersionResult = VersionStatusResult | FailureResult;
export type AppResult = AppProductResult | QueryFailureResult | FailureResult;
/** The query failure includes "no id", code null: the Store answered with an empty ID. */
export type IdResult = IdStatusResult | QueryFailureResult | FailureResult;

/** A number, a bigint, or the 4- or 8-byte Buffer of Electron's getNativeWindowHandle(). */
export type WindowHandle = number | bigint | Uint8Array;

export interface BridgeOptions {
  /** Path of store-bridge.exe (store-bridge on Linux and macOS). Default: exePath(). */
  executable?: string;
  /** Kill the run and reject with kind "timed-out" after this long (above 0). No limit when absent. */
  timeoutMs?: number;
  /** Aborting kills the run at once and rejects with kind "aborted"; an aborted signal starts nothing. */
  signal?: AbortSignal;
  /** Added to the host's own environment, e.g. { STORE_BRIDGE_SIM: 'purchase=NotPurchased' }. */
  env?: Record<string, string | undefined>;
}

export interface ReviewOptions extends BridgeOptions {
  /** The host's window: the dialog is centred over it and the run ends when it closes. */
  window?: WindowHandle | null;
}

/** buy takes the host's window as review does. */
export type PurchaseOptions = ReviewOptions;

export interface ProductsOptions extends BridgeOptions {
  /** Product kind words, asked for in this order; each non-empty, without commas. Default: Durable, Consumable,
   * UnmanagedConsumable. */
  kinds?: readonly string[] | null;
}

export interface ConsumeOptions extends BridgeOptions {
  /** A GUID, "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", either case, optionally in braces. Store it before the call and
   * retry with it: the Store counts a tracking ID once. Without it the bridge makes a new one. */
  trackingId?: string | null;
}

export interface UpdateOptions extends BridgeOptions {
  /** The host's window: the Store's UI shows over it, and the run ends ("owner closed") when it closes. Ignored when
   * `silent`. */
  window?: WindowHandle | null;
  /** Download only; install at a later update call, or when Windows does. Default false. */
  downloadOnly?: boolean;
  /** Without the Store's UI: only when `updates` said `canSilentlyDownload: true`. Default false. */
  silent?: boolean;
  /** Called with each progress report as it arrives. What it throws kills the run, which rejects with it. */
  onProgress?: ((progress: UpdateProgress) => void) | null;
}

/**
 * "closedForUpdate": the run of `update` ended without a result line after a report in state "deploying" — Windows
 * closed the app to install it and the bridge with it. Run `updates` again at the next start.
 */
export type StoreBridgeErrorKind =
  'not-started' | 'timed-out' | 'aborted' | 'no-line' | 'bad-line' | 'usage' | 'closedForUpdate';

/**
 * A run that gave no result: it did not start, was killed (time-out, abort), printed nothing, or printed no line
 * of its command.
 */
export class StoreBridgeError extends Error {
  readonly name: 'StoreBridgeError';
  readonly kind: StoreBridgeErrorKind;
  /** The exit code, or null when there was none (not started, killed by a signal). */
  readonly exitCode: number | null;
  readonly signal: string | null;
  /** What stdout held, as text. */
  readonly output: string;
  /** "aborted": the signal's reason; "not-started": the spawn error. */
  readonly cause?: unknown;
  /** "closedForUpdate" only: the last progress report before the run went. */
  readonly lastProgress?: UpdateProgress;
}

/** The purchase dialog, centred over the host's window when `window` is given (as for review). */
export function buy(storeId: string, options?: PurchaseOptions): Promise<PurchaseResult>;
export function review(options?: ReviewOptions): Promise<ReviewResult>;
/** The app's licence and the add-on licences the user holds. No UI. */
export function license(options?: BridgeOptions): Promise<LicenseResult>;
/** The add-ons of this app that the Store offers, with the user's prices. No UI. */
export function products(options?: ProductsOptions): Promise<ProductsResult>;
/** The products of this app the user owns. No UI. */
export function collection(options?: ProductsOptions): Promise<ProductsResult>;
/** Reports `quantity` (1 to 4294967295) of a consumable add-on fulfilled. No UI. */
export function consume(storeId: string, quantity: number, options?: ConsumeOptions): Promise<ConsumeResult>;
/** The remaining balance of a Store-managed consumable add-on. No UI. */
export function balance(storeId: string, options?: BridgeOptions): Promise<BalanceResult>;
/** The updates the Store has for this app's packages, and whether it may download them silently. No UI. */
export function updates(options?: BridgeOptions): Promise<UpdatesResult>;
/**
 * The same check as `updates`, then one Store call that downloads and (unless `downloadOnly`) installs every update
 * it found, with the Store's UI over the host's window unless `silent`. Progress reports go to `onProgress`.
 */
export function update(options?: UpdateOptions): Promise<UpdateResult>;
/** The app's own product in the Store, with its SKUs. No UI. */
export function app(options?: BridgeOptions): Promise<AppResult>;
/**
 * A Microsoft Store ID key for the purchase service, for the user signed in to the Store. `serviceTicket` is the
 * Entra ID access token of your service (a bearer token: it goes to the bridge's stdin, never on its command line);
 * `publisherUserId` any text of yours, embedded in the key. Together at most 64 KiB as JSON. No UI.
 */
export function purchaseId(serviceTicket: string, publisherUserId: string, options?: BridgeOptions): Promise<IdResult>;
/** The same for the collections service. */
export function collectionsId(serviceTicket: string, publisherUserId: string, options?: BridgeOptions):
  Promise<IdResult>;
/**
 * The bridge's version, the package identity it runs under and whether it runs elevated: what to check when the
 * Store refuses to act.
 */
export function version(options?: BridgeOptions): Promise<VersionResult>;

/**
 * The store-bridge program for this process: in a packaged Electron app the one beside the app (extraFiles) or under
 * process.resourcesPath (extraResource), else the one this package carries for the platform (Windows x64 and Arm64:
 * the x64 exe; Linux x64: the portable build), a path inside app.asar mapped to app.asar.unpacked. Throws when there is
 * none, naming every place it looked.
 */
export function exePath(): string;

/**
 * The result a command's stdout and exit code stand for; throws a StoreBridgeError of kind "usage" or "bad-line".
 * For hosts that start the bridge themselves.
 */
export function readResultLine(command: 'buy', stdout: Uint8Array, exitCode: number | null): PurchaseResult;
export function readResultLine(command: 'review', stdout: Uint8Array, exitCode: number | null): ReviewResult;
export function readResultLine(command: 'license', stdout: Uint8Array, exitCode: number | null): LicenseResult;
export function readResultLine(command: 'products' | 'collection', stdout: Uint8Array, exitCode: number | null):
  ProductsResult;
export function readResultLine(command: 'consume', stdout: Uint8Array, exitCode: number | null): ConsumeResult;
export function readResultLine(command: 'balance', stdout: Uint8Array, exitCode: number | null): BalanceResult;
export function readResultLine(command: 'updates', stdout: Uint8Array, exitCode: number | null): UpdatesResult;
/** update's result line: what follows its last progress line (each ends in "\n"). */
export function readResultLine(command: 'update', stdout: Uint8Array, exitCode: number | null): UpdateResult;
export function readResultLine(command: 'version', stdout: Uint8Array, exitCode: number | null): VersionResult;
export function readResultLine(command: 'app', stdout: Uint8Array, exitCode: number | null): AppResult;
export function readResultLine(command: 'purchase-id' | 'collections-id', stdout: Uint8Array, exitCode: number | null):
  IdResult;
export function readResultLine(command: string, stdout: Uint8Array, exitCode: number | null):
  PurchaseResult | ReviewResult | LicenseResult | ProductsResult | ConsumeResult | BalanceResult | UpdatesResult
  | UpdateResult | VersionResult | AppResult | IdResult;
