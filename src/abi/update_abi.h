// The Store's app-update interfaces at the ABI: the updates it finds for this
// app's packages (IStoreContext slot 23), the packages they are for, and the
// operation with progress that downloads and installs them (slots 24 and 25,
// IStoreContext3 slots 7 and 8).
#pragma once

#include "store_query_abi.h"

namespace winabi {

enum class StorePackageUpdateState : INT32 {
    Pending = 0,
    Downloading = 1,
    Deploying = 2,
    Completed = 3,
    Canceled = 4,
    OtherError = 5,
    ErrorLowBattery = 6,
    ErrorWiFiRecommended = 7,
    ErrorWiFiRequired = 8,
};

struct PackageVersion {
    UINT16 Major;
    UINT16 Minor;
    UINT16 Build;
    UINT16 Revision;
};

// Handed to the progress handler by value; its string is the caller's, borrowed.
struct StorePackageUpdateStatus {
    HSTRING PackageFamilyName;
    UINT64 PackageDownloadSizeInBytes;
    UINT64 PackageBytesDownloaded;
    DOUBLE PackageDownloadProgress;
    DOUBLE TotalDownloadProgress;
    StorePackageUpdateState PackageUpdateState;
};

struct IPackageId : IInspectable {
    static constexpr IID iid = {0x1ADB665E, 0x37C7, 0x4790, {0x99, 0x80, 0xDD, 0x7A, 0xE7, 0x4E, 0x8B, 0xB2}};
    virtual HRESULT STDMETHODCALLTYPE get_Name(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Version(PackageVersion* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Architecture(INT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ResourceId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Publisher(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PublisherId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FullName(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FamilyName(HSTRING* value) = 0;
};

struct IPackage : IInspectable {
    static constexpr IID iid = {0x163C792F, 0xBD75, 0x413C, {0xBF, 0x23, 0xB1, 0xFE, 0x7B, 0x95, 0xD8, 0x25}};
    virtual HRESULT STDMETHODCALLTYPE get_Id(IPackageId** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_InstalledLocation(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsFramework(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Dependencies(IInspectable** value) = 0;
};

struct IStorePackageUpdate : IInspectable {
    static constexpr IID iid = {0x140FA150, 0x3CBF, 0x4A35, {0xB9, 0x1F, 0x48, 0x27, 0x1C, 0x31, 0xB0, 0x72}};
    virtual HRESULT STDMETHODCALLTYPE get_Package(IPackage** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Mandatory(boolean* value) = 0;
};

struct IStorePackageUpdateResult : IInspectable {
    static constexpr IID iid = {0xE79142ED, 0x61F9, 0x4893, {0xB4, 0xFE, 0xCF, 0x19, 0x16, 0x03, 0xAF, 0x7B}};
    virtual HRESULT STDMETHODCALLTYPE get_OverallState(StorePackageUpdateState* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StorePackageUpdateStatuses(IVectorView<StorePackageUpdateStatus>** value) = 0;
};

template <class Result, class Progress>
struct IAsyncOperationProgressHandler;
template <class Result, class Progress>
struct IAsyncOperationWithProgressCompletedHandler;

// The one instance the Store hands out: the interface IDs of it and its handlers.
template <>
struct async_iids<IAsyncOperationWithProgress<IStorePackageUpdateResult, StorePackageUpdateStatus>> {
    static constexpr IID operation = {0x42C436CA, 0x51F7, 0x50B2, {0x8F, 0xE4, 0x7B, 0x75, 0x40, 0x62, 0xE6, 0xEB}};
    static constexpr IID progress = {0x961260F1, 0x7352, 0x5EDF, {0x96, 0x66, 0x1F, 0x9A, 0x0A, 0x8E, 0xE4, 0x77}};
    static constexpr IID handler = {0xB3BE0C8B, 0xEF1D, 0x56DC, {0x85, 0x47, 0x4D, 0xA0, 0x6E, 0xA5, 0x63, 0xDF}};
};

// The report is passed by value, as the platform declares it: the compiler then
// passes it as each target's convention asks (a pointer to a copy on x64 and
// ARM64, the bytes on the stack on x86).
template <class Result, class Progress>
struct IAsyncOperationProgressHandler : IUnknown {
    static constexpr IID iid = async_iids<IAsyncOperationWithProgress<Result, Progress>>::progress;
    virtual HRESULT STDMETHODCALLTYPE Invoke(IAsyncOperationWithProgress<Result, Progress>* operation,
                                             Progress report) = 0;
};

template <class Result, class Progress>
struct IAsyncOperationWithProgressCompletedHandler : IUnknown {
    static constexpr IID iid = async_iids<IAsyncOperationWithProgress<Result, Progress>>::handler;
    virtual HRESULT STDMETHODCALLTYPE Invoke(IAsyncOperationWithProgress<Result, Progress>* operation,
                                             AsyncStatus status) = 0;
};

template <class Result, class Progress>
struct IAsyncOperationWithProgress : IInspectable {
    static constexpr IID iid = async_iids<IAsyncOperationWithProgress>::operation;
    using result_type = Result;
    using completed_handler = IAsyncOperationWithProgressCompletedHandler<Result, Progress>;
    using progress_handler = IAsyncOperationProgressHandler<Result, Progress>;
    virtual HRESULT STDMETHODCALLTYPE put_Progress(progress_handler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Progress(progress_handler** handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Completed(completed_handler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Completed(completed_handler** handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetResults(Result** results) = 0;
};

using IPackageUpdates = IVectorView<IStorePackageUpdate*>;
using IPackageUpdatesOperation = IAsyncOperation<IPackageUpdates>;
using IPackageUpdateOperation = IAsyncOperationWithProgress<IStorePackageUpdateResult, StorePackageUpdateStatus>;

// Slots 9 to 19 (licences for optional packages, queue items, uninstalling)
// are never called, so they are not declared.
struct IStoreContext3 : IInspectable {
    static constexpr IID iid = {0xE26226CA, 0x1A01, 0x4730, {0x85, 0xA6, 0xEC, 0xC8, 0x96, 0xE4, 0xAE, 0x38}};
    virtual HRESULT STDMETHODCALLTYPE get_CanSilentlyDownloadStorePackageUpdates(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE TrySilentDownloadStorePackageUpdatesAsync(IIterable<IStorePackageUpdate*>* updates, IPackageUpdateOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE TrySilentDownloadAndInstallStorePackageUpdatesAsync(IIterable<IStorePackageUpdate*>* updates, IPackageUpdateOperation** operation) = 0;
};

template <>
struct instance_iid<IVectorView<IStorePackageUpdate*>> {
    static constexpr IID value = {0x971C3EA6, 0x4388, 0x5A38, {0xAE, 0x13, 0x49, 0x29, 0xB6, 0xD6, 0xD7, 0x80}};
};
template <>
struct instance_iid<IIterable<IStorePackageUpdate*>> {
    static constexpr IID value = {0x6B076C51, 0x849E, 0x5EC5, {0xAE, 0xD5, 0x9B, 0x05, 0x85, 0x59, 0x19, 0x02}};
};
template <>
struct instance_iid<IIterator<IStorePackageUpdate*>> {
    static constexpr IID value = {0xB75DD77B, 0x87CA, 0x5956, {0x89, 0x02, 0x84, 0xE9, 0xFF, 0xC9, 0x7D, 0x83}};
};
template <>
struct instance_iid<IVectorView<StorePackageUpdateStatus>> {
    static constexpr IID value = {0x68E2F036, 0x4982, 0x55E3, {0x8C, 0x0F, 0x9B, 0xF4, 0xE6, 0x9A, 0xA4, 0x5A}};
};
template <>
struct instance_iid<IIterable<StorePackageUpdateStatus>> {
    static constexpr IID value = {0x60832223, 0x7EB4, 0x5CD7, {0x83, 0x40, 0xF5, 0x07, 0x71, 0x73, 0xD3, 0x64}};
};
template <>
struct instance_iid<IIterator<StorePackageUpdateStatus>> {
    static constexpr IID value = {0x6181D84F, 0xF731, 0x57B8, {0x8A, 0x6B, 0x8A, 0x12, 0xFC, 0xD5, 0x8D, 0x04}};
};

template <>
struct async_iids<IPackageUpdates> {
    static constexpr IID operation = {0x0AC66C33, 0x45B8, 0x546B, {0xAA, 0xAF, 0xD5, 0x8D, 0x62, 0xA4, 0xC5, 0xC5}};
    static constexpr IID handler = {0xF8491BCD, 0x2DB5, 0x58E0, {0x8C, 0x47, 0x44, 0xE6, 0xEB, 0x10, 0xC1, 0x2D}};
};

} // namespace winabi
