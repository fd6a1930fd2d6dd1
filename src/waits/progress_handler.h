// The progress handler of an operation that reports progress: it copies each
// report (its string is the caller's, borrowed for the call) into the feed the
// flow writes from, unless the operation has ended: a report after the end,
// even one that comes before the completion handler, is dropped. Agile, so the
// platform may call it on any thread.
#pragma once

#include "agile_object.h"
#include "progress_feed.h"
#include "../abi/update_abi.h"
#include "../calls/store_calls.h"

#include <memory>

template <class Operation>
class progress_handler final
    : public agile_object<progress_handler<Operation>, typename Operation::progress_handler> {
public:
    explicit progress_handler(std::shared_ptr<progress_feed> feed) : feed_(std::move(feed)) {}

    HRESULT STDMETHODCALLTYPE Invoke(Operation* operation, winabi::StorePackageUpdateStatus report) override {
        try {
            if (async_status(operation) != winabi::AsyncStatus::Started) return S_OK;
            feed_->push({make_hstring(view_of(report.PackageFamilyName)),
                         static_cast<std::int32_t>(report.PackageUpdateState), report.PackageDownloadProgress,
                         report.TotalDownloadProgress, report.PackageBytesDownloaded,
                         report.PackageDownloadSizeInBytes});
            return S_OK;
        } catch (...) {
            // A report that cannot be copied, or whose operation cannot say
            // whether it still runs, is lost; the update goes on.
            return E_OUTOFMEMORY;
        }
    }

private:
    std::shared_ptr<progress_feed> feed_;
};

// Gives the operation a handler that feeds `feed`; assigned before the completion handler.
template <class Operation>
void report_progress_into(Operation* operation, std::shared_ptr<progress_feed> feed) {
    const auto handler = com_ptr<typename Operation::progress_handler>::attach(
        new progress_handler<Operation>(std::move(feed)));
    check_hresult(operation->put_Progress(handler.get()));
}
