export type PurchaseStatus = 'purchased' | 'alreadyPurchased' | 'cancelled' | 'error';
export type ReviewStatus = 'succeeded' | 'cancelled' | 'network' | 'error';

/** The Store delivered a purchase result (exit code 0), even when its word is "error". */
export interface PurchaseStatusResult {
  status: PurchaseStatus;
  error: null;
  exitCode: 0;
}

/** The Store delivered a review result (exit code 0). */
export interface ReviewStatusResult {
  status: ReviewStatus;
  updated: boolean;
  error: null;
  exitCode: 0;
}

/**
 * The run failed and said why (exit code 1): a general failure (no `updated`),
 * a purchase or review failure, "no operation", "owner closed" or "crash"
 * (these last with `updated: false`, as their lines carry it).
 */
export interface FailureResult {
  status: 'error';
  updated?: false;
  error: string;
  exitCode: 1;
}

export type PurchaseResult = PurchaseStatusResult | FailureResult;
export type ReviewResult = ReviewStatusResult | FailureResult;

/** A number, a bigint, or the 4- or 8-byte Buffer of Electron's getNativeWindowHandle(). */
export type WindowHandle = number | bigint | Uint8Array;

export interface BridgeOptions {
  /** Path of store-bridge.exe (store-bridge on Linux and macOS). */
  executable: string;
  /** Kill the run and reject with kind "timed-out" after this long. No limit when absent. */
  timeoutMs?: number;
  /** Added to the host's own environment, e.g. { STORE_BRIDGE_SIM: 'purchase=NotPurchased' }. */
  env?: Record<string, string | undefined>;
}

export interface ReviewOptions extends BridgeOptions {
  /** The host's window: the dialog is centred over it and the run ends when it closes. */
  window?: WindowHandle | null;
}

export type StoreBridgeErrorKind = 'not-started' | 'timed-out' | 'no-line' | 'bad-line' | 'usage';

/** A run that gave no result: it did not start, was killed, printed nothing, or printed an undocumented line. */
export class StoreBridgeError extends Error {
  readonly name: 'StoreBridgeError';
  readonly kind: StoreBridgeErrorKind;
  /** The exit code, or null when there was none (not started, killed by a signal). */
  readonly exitCode: number | null;
  readonly signal: string | null;
  /** What stdout held, as text. */
  readonly output: string;
}

export function buy(storeId: string, options: BridgeOptions): Promise<PurchaseResult>;
export function review(options: ReviewOptions): Promise<ReviewResult>;
