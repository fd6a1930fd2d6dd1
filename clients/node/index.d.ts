export type PurchaseStatus = 'purchased' | 'alreadyPurchased' | 'cancelled' | 'error';
export type ReviewStatus = 'succeeded' | 'cancelled' | 'network' | 'error';

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

/** Told apart by `exitCode`: 0, the Store answered (`error` is null); 1, it did not (`error` says why). */
export type PurchaseResult = PurchaseStatusResult | FailureResult;
export type ReviewResult = ReviewStatusResult | FailureResult;

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

export type StoreBridgeErrorKind = 'not-started' | 'timed-out' | 'aborted' | 'no-line' | 'bad-line' | 'usage';

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
}

export function buy(storeId: string, options?: BridgeOptions): Promise<PurchaseResult>;
export function review(options?: ReviewOptions): Promise<ReviewResult>;

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
export function readResultLine(command: string, stdout: Uint8Array, exitCode: number | null):
  PurchaseResult | ReviewResult;
