#include "context.h"
#include "../output/guid_text.h"
#include "consumable_result.h"
#include "error_information.h"
#include "faults.h"
#include "field_reads.h"
#include "kinds_reader.h"
#include "license_objects.h"
#include "operation.h"
#include "package_update_objects.h"
#include "product_objects.h"
#include "results.h"
#include "update_plan.h"
#include "update_result_objects.h"
#include "updates_reader.h"
#include "window_fields.h"
#include "../platform/com_object.h"

#include "../platform/hstring.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace simstore {
namespace {

// The interfaces the bridge asks for by name, any other as its IID.
std::string interface_name(REFIID iid) {
    if (iid == winabi::IInitializeWithWindow::iid) return "IInitializeWithWindow";
    if (iid == winabi::IStoreContext3::iid) return "IStoreContext3";
    if (iid == winabi::IStoreContext4::iid) return "IStoreContext4";
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(iid.Data1), iid.Data2, iid.Data3, iid.Data4[0], iid.Data4[1], iid.Data4[2],
                  iid.Data4[3], iid.Data4[4], iid.Data4[5], iid.Data4[6], iid.Data4[7]);
    return text;
}

class store_context final
    : public com_object<store_context, winabi::IStoreContext, winabi::IStoreContext3, winabi::IStoreContext4,
                        winabi::IInitializeWithWindow, IAgileObject> {
public:
    explicit store_context(shared_simulation simulation) : simulation_(std::move(simulation)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        simulation_->log.record("QueryInterface", "context",
                                [&](json_writer& line) { line.member("interface").string(interface_name(iid)); });
        const scenario& settings = simulation_->settings;
        if ((iid == winabi::IInitializeWithWindow::iid && settings.bind_missing) ||
            (iid == winabi::IStoreContext3::iid && settings.can_silently_download == silent_download::missing)) {
            if (object) *object = nullptr;
            return E_NOINTERFACE;
        }
        return com_object::QueryInterface(iid, object);
    }

    HRESULT STDMETHODCALLTYPE Initialize(HWND window) override {
        simulation_->log.record("Initialize", "context", [&](json_writer& line) { add_window_fields(line, window); });
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE RequestPurchaseAsync(HSTRING store_id, winabi::IPurchaseOperation** operation) override {
        simulation_->log.record("RequestPurchaseAsync", "context",
                                [&](json_writer& line) { line.member("storeId").string(view_of(store_id)); });
        return request(operation, results_of<winabi::IStorePurchaseResult>());
    }

    HRESULT STDMETHODCALLTYPE RequestRateAndReviewAppAsync(winabi::IReviewOperation** operation) override {
        simulation_->log.record("RequestRateAndReviewAppAsync", "context");
        return request(operation, results_of<winabi::IStoreRateAndReviewResult>());
    }

    HRESULT STDMETHODCALLTYPE GetAppLicenseAsync(winabi::ILicenseOperation** operation) override {
        simulation_->log.record("GetAppLicenseAsync", "context",
                                [](json_writer& line) { line.member("via").string("IStoreContext"); });
        return request(operation, result_maker<winabi::IStoreAppLicense>(
                                      [simulation = simulation_](winabi::IStoreAppLicense** license) {
                                          return create_app_license(simulation, license);
                                      }));
    }

    HRESULT STDMETHODCALLTYPE GetAssociatedStoreProductsAsync(winabi::IIterable<HSTRING>* kinds,
                                                              winabi::IProductQueryOperation** operation) override {
        return query_products("GetAssociatedStoreProductsAsync", kinds, false, operation);
    }

    HRESULT STDMETHODCALLTYPE GetUserCollectionAsync(winabi::IIterable<HSTRING>* kinds,
                                                     winabi::IProductQueryOperation** operation) override {
        return query_products("GetUserCollectionAsync", kinds, true, operation);
    }

    // The arguments as received: the GUID in its canonical text, so a test sees every bit of it.
    HRESULT STDMETHODCALLTYPE ReportConsumableFulfillmentAsync(HSTRING store_id, UINT32 quantity, GUID tracking_id,
                                                               winabi::IConsumableOperation** operation) override {
        simulation_->log.record("ReportConsumableFulfillmentAsync", "context", [&](json_writer& line) {
            line.member("via").string("IStoreContext")
                .member("storeId").string(view_of(store_id))
                .member("quantity").integer(quantity)
                .member("trackingId").string(guid_text(tracking_id));
        });
        return request_consumable(tracking_id, operation);
    }

    HRESULT STDMETHODCALLTYPE GetConsumableBalanceRemainingAsync(HSTRING store_id,
                                                                 winabi::IConsumableOperation** operation) override {
        simulation_->log.record("GetConsumableBalanceRemainingAsync", "context", [&](json_writer& line) {
            line.member("via").string("IStoreContext").member("storeId").string(view_of(store_id));
        });
        return request_consumable(GUID{}, operation);
    }

    HRESULT STDMETHODCALLTYPE
    GetAppAndOptionalStorePackageUpdatesAsync(winabi::IPackageUpdatesOperation** operation) override {
        simulation_->log.record("GetAppAndOptionalStorePackageUpdatesAsync", "context",
                                [](json_writer& line) { line.member("via").string("IStoreContext"); });
        return request(operation, result_maker<winabi::IPackageUpdates>(
                                      [simulation = simulation_](winabi::IPackageUpdates** updates) {
                                          return create_package_updates(simulation, updates);
                                      }));
    }

    HRESULT STDMETHODCALLTYPE GetStoreProductForCurrentAppAsync(winabi::IProductOperation** operation) override {
        simulation_->log.record("GetStoreProductForCurrentAppAsync", "context",
                                [](json_writer& line) { line.member("via").string("IStoreContext"); });
        return request(operation, result_maker<winabi::IStoreProductResult>(
                                      [simulation = simulation_](winabi::IStoreProductResult** result) {
                                          return create_app_product_result(simulation, result);
                                      }));
    }

    HRESULT STDMETHODCALLTYPE GetCustomerPurchaseIdAsync(HSTRING service_ticket, HSTRING publisher_user_id,
                                                         winabi::IStringOperation** operation) override {
        return request_customer_id("GetCustomerPurchaseIdAsync", service_ticket, publisher_user_id, operation);
    }

    HRESULT STDMETHODCALLTYPE GetCustomerCollectionsIdAsync(HSTRING service_ticket, HSTRING publisher_user_id,
                                                            winabi::IStringOperation** operation) override {
        return request_customer_id("GetCustomerCollectionsIdAsync", service_ticket, publisher_user_id, operation);
    }

    HRESULT STDMETHODCALLTYPE get_CanSilentlyDownloadStorePackageUpdates(boolean* value) override {
        return read_value(*simulation_, store_field::context_can_silently_download, value,
                          simulation_->settings.can_silently_download == silent_download::allowed);
    }

    HRESULT STDMETHODCALLTYPE RequestDownloadStorePackageUpdatesAsync(
        winabi::IIterable<winabi::IStorePackageUpdate*>* updates, winabi::IPackageUpdateOperation** operation) override {
        return request_update("RequestDownloadStorePackageUpdatesAsync", "IStoreContext", updates, operation);
    }
    HRESULT STDMETHODCALLTYPE RequestDownloadAndInstallStorePackageUpdatesAsync(
        winabi::IIterable<winabi::IStorePackageUpdate*>* updates, winabi::IPackageUpdateOperation** operation) override {
        return request_update("RequestDownloadAndInstallStorePackageUpdatesAsync", "IStoreContext", updates, operation);
    }
    HRESULT STDMETHODCALLTYPE TrySilentDownloadStorePackageUpdatesAsync(
        winabi::IIterable<winabi::IStorePackageUpdate*>* updates, winabi::IPackageUpdateOperation** operation) override {
        return request_update("TrySilentDownloadStorePackageUpdatesAsync", "IStoreContext3", updates, operation);
    }
    HRESULT STDMETHODCALLTYPE TrySilentDownloadAndInstallStorePackageUpdatesAsync(
        winabi::IIterable<winabi::IStorePackageUpdate*>* updates, winabi::IPackageUpdateOperation** operation) override {
        return request_update("TrySilentDownloadAndInstallStorePackageUpdatesAsync", "IStoreContext3", updates,
                              operation);
    }

    // Nothing else of the Store is simulated.
    HRESULT STDMETHODCALLTYPE RequestPurchaseWithPurchasePropertiesAsync(HSTRING, IInspectable*,
                                                                         IInspectable** operation) override {
        *operation = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_User(IInspectable**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE add_OfflineLicensesChanged(IUnknown*, INT64*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE remove_OfflineLicensesChanged(INT64) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStoreProductsAsync(IInspectable*, IInspectable*, IInspectable**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetAssociatedStoreProductsWithPagingAsync(IInspectable*, UINT32,
                                                                        IInspectable**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetUserCollectionWithPagingAsync(IInspectable*, UINT32, IInspectable**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AcquireStoreLicenseForOptionalPackageAsync(IInspectable*, IInspectable**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetInstallOrderForAssociatedStoreQueueItemsAsync(IInspectable*, IInspectable**) override {
        return E_NOTIMPL;
    }

private:
    HRESULT request_consumable(const GUID& tracking_id, winabi::IConsumableOperation** operation) {
        *operation = nullptr;
        const auto make = [simulation = simulation_, tracking_id](winabi::IStoreConsumableResult** result) {
            return create_consumable_result(simulation, tracking_id, result);
        };
        try {
            return request(operation, result_maker<winabi::IStoreConsumableResult>(make));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    // The arguments as received, whatever characters they hold.
    HRESULT request_customer_id(std::string_view call, HSTRING service_ticket, HSTRING publisher_user_id,
                                winabi::IStringOperation** operation) {
        simulation_->log.record(call, "context", [&](json_writer& line) {
            line.member("via").string("IStoreContext")
                .member("serviceTicket").string(view_of(service_ticket))
                .member("publisherUserId").string(view_of(publisher_user_id));
        });
        return request(operation, result_maker<winabi::hstring_abi>([simulation = simulation_](HSTRING* id) {
                           return copy_string(simulation->settings.customer_id, id);
                       }));
    }

    template <class Result>
    result_maker<Result> results_of() const {
        return [simulation = simulation_](Result** result) { return create_result(simulation, result); };
    }

    // The kinds are read before the request's own faults, as the Store reads its arguments first.
    HRESULT query_products(std::string_view call, winabi::IIterable<HSTRING>* kinds, bool collection,
                           winabi::IProductQueryOperation** operation) {
        *operation = nullptr;
        received_kinds received;
        const HRESULT read = read_kinds(kinds, received);
        simulation_->log.record(call, "context", [&](json_writer& line) {
            line.member("via").string("IStoreContext").member("kinds").open_array();
            for (const wide_string& word : received.words) line.string(word);
            line.close_array().member("kindsAgile").boolean(received.agile);
        });
        if (read < 0) return read;
        try {
            return request(operation, result_maker<winabi::IStoreProductQueryResult>(
                                          [simulation = simulation_, query = product_query{std::move(received.words),
                                                                                           collection}](
                                              winabi::IStoreProductQueryResult** result) {
                                              return create_product_query_result(simulation, query, result);
                                          }));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    // The updates are read before the request's own faults, as the Store reads its arguments first.
    HRESULT request_update(std::string_view call, std::string_view via,
                           winabi::IIterable<winabi::IStorePackageUpdate*>* updates,
                           winabi::IPackageUpdateOperation** operation) {
        *operation = nullptr;
        std::vector<wide_string> families;
        const HRESULT read = read_update_families(updates, families);
        simulation_->log.record(call, "context", [&](json_writer& line) {
            line.member("via").string(via).member("families").open_array();
            for (const wide_string& family : families) line.string(family);
            line.close_array();
        });
        if (read < 0) return read;
        try {
            update_plan plan = plan_update(simulation_->settings, families);
            const auto make = [simulation = simulation_, overall = plan.overall_state,
                               statuses = std::make_shared<const std::vector<package_update_status>>(
                                   std::move(plan.statuses))](winabi::IStorePackageUpdateResult** result) {
                return create_update_result(simulation, overall, statuses, result);
            };
            const scenario& settings = simulation_->settings;
            return request(operation, settings.update_request, settings.update_request_gives_none,
                           std::move(plan.operation), result_maker<winabi::IStorePackageUpdateResult>(make));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    // Every request but the update call: the usual keys.
    template <class Operation>
    HRESULT request(Operation** operation, result_maker<typename Operation::result_type> make_result) {
        const scenario& settings = simulation_->settings;
        return request(operation, settings.request, settings.request_gives_none, request_plan(settings),
                       std::move(make_result));
    }

    // Every request: the scenario's faults of the request call, then its outcome.
    template <class Operation>
    HRESULT request(Operation** operation, HRESULT failure, bool gives_none, operation_plan plan,
                    result_maker<typename Operation::result_type> make_result) {
        *operation = nullptr;
        const scenario& settings = simulation_->settings;
        switch (settings.crash) {
        case crash_kind::main: write_through_bad_pointer(); break;
        case crash_kind::language_exception: raise_uncaught_language_exception(); break;
        case crash_kind::abort: std::abort();
        default: break;
        }
        if (failure < 0) return injected_failure(failure, settings.error);
        if (gives_none) return S_OK;
        return start_operation(simulation_, std::move(plan), std::move(make_result), operation);
    }

    const shared_simulation simulation_;
};

} // namespace

HRESULT create_context(const shared_simulation& simulation, winabi::IStoreContext** context) {
    *context = new (std::nothrow) store_context(simulation);
    return *context ? S_OK : E_OUTOFMEMORY;
}

} // namespace simstore
