// A host's code as the TypeScript compiler must see it: clients/test compiles this file with `tsc --strict --noEmit`.
// Each @ts-expect-error marks a misuse the declarations must catch; one that catches nothing fails the compile.
import {
  buy, review, readResultLine, exePath, StoreBridgeError, PurchaseResult, PurchaseStatus, ReviewResult, ReviewStatus,
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
  // @ts-expect-error buy takes no window
  buy('9NBLGGH4R315', { executable, window: 4242 });
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

export { purchaseWords, reviewUpdated, misuses, readByHand, explain };
