// The simulated Store's app-update check driven directly: the view of updates
// it gives and that view as an iterable, the packages behind each update, the
// failing fields, IStoreContext3, and the trace of it all.
#include "abi/update_abi.h"
#include "platform/com_ptr.h"
#include "platform/hstring.h"
#include "simulated_context.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using update_view = winabi::IPackageUpdates;
using update_iterable = winabi::IIterable<winabi::IStorePackageUpdate*>;
using update_iterator = winabi::IIterator<winabi::IStorePackageUpdate*>;

com_ptr<winabi::IPackageUpdatesOperation> request_updates(winabi::IStoreContext* context, HRESULT expected = S_OK) {
    com_ptr<winabi::IPackageUpdatesOperation> operation;
    EXPECT_EQ(context->GetAppAndOptionalStorePackageUpdatesAsync(operation.put()), expected);
    return operation;
}

// Completed at creation ("after=now" is added), so the view is there at once.
com_ptr<update_view> updates_for(const std::string& scenario, const std::filesystem::path& trace = {}) {
    com_ptr<update_view> view;
    const auto context = context_for("after=now;" + scenario, trace);
    if (!context) return view;
    const auto operation = request_updates(context.get());
    if (operation) {
        EXPECT_EQ(operation->GetResults(view.put()), S_OK);
    }
    return view;
}

std::string text_of(HSTRING text) {
    std::string out;
    for (const WCHAR unit : view_of(text)) out += unit < 0x80 ? static_cast<char>(unit) : '?';
    return out;
}

// FAMILY/NAME A.B.C.D mandatory|optional, each read through the update's package and its identity.
std::string describe(winabi::IStorePackageUpdate* update) {
    if (!update) return "null";
    boolean mandatory = 7;
    com_ptr<winabi::IPackage> package;
    com_ptr<winabi::IPackageId> id;
    unique_hstring family, name;
    winabi::PackageVersion version{9, 9, 9, 9};
    EXPECT_EQ(update->get_Mandatory(&mandatory), S_OK);
    EXPECT_EQ(update->get_Package(package.put()), S_OK);
    if (!package) return "no package";
    EXPECT_EQ(package->get_Id(id.put()), S_OK);
    if (!id) return "no id";
    EXPECT_EQ(id->get_FamilyName(family.put()), S_OK);
    EXPECT_EQ(id->get_Name(name.put()), S_OK);
    EXPECT_EQ(id->get_Version(&version), S_OK);
    std::ostringstream out;
    out << text_of(family.get()) << '/' << text_of(name.get()) << ' ' << version.Major << '.' << version.Minor << '.'
        << version.Build << '.' << version.Revision << ' ' << (mandatory == 1 ? "mandatory" : mandatory ? "?" : "optional");
    return out.str();
}

struct listing_case {
    const char* scenario;
    std::vector<std::string> updates;
};

const listing_case listing_cases[] = {
    {"", {}},
    {"can-silently-download=missing", {}},
    {"package-update=Contoso.App_8wekyb3d8bbwe", {"Contoso.App_8wekyb3d8bbwe/Contoso.App 1.0.0.0 optional"}},
    {"package-update=B_x,version=65535.0.7.1,mandatory=true;package-update=A%5Fy%C3%A9,mandatory=false;"
     "package-update=NoPublisher,version=0.0.0.0",
     {"B_x/B 65535.0.7.1 mandatory", "A_y?/A 1.0.0.0 optional", "NoPublisher/NoPublisher 0.0.0.0 optional"}},
};

TEST(simulated_package_updates, the_view_lists_the_updates_in_the_stores_order) {
    for (const listing_case& row : listing_cases) {
        SCOPED_TRACE(row.scenario);
        const auto view = updates_for(row.scenario);
        ASSERT_TRUE(view);
        UINT32 size = 99;
        ASSERT_EQ(view->get_Size(&size), S_OK);
        ASSERT_EQ(size, row.updates.size());
        for (UINT32 i = 0; i < size; ++i) {
            com_ptr<winabi::IStorePackageUpdate> update;
            ASSERT_EQ(view->GetAt(i, update.put()), S_OK);
            EXPECT_EQ(describe(update.get()), row.updates[i]);
            UINT32 index = 99;
            boolean found = false;
            EXPECT_EQ(view->IndexOf(update.get(), &index, &found), S_OK);
            EXPECT_TRUE(found);
            EXPECT_EQ(index, i);
        }
        com_ptr<winabi::IStorePackageUpdate> beyond;
        EXPECT_EQ(view->GetAt(size, beyond.put()), E_BOUNDS);
        EXPECT_FALSE(beyond);

        // From the second on, into room for more than there are; past the end nothing, beyond it a failure.
        winabi::IStorePackageUpdate* many[8] = {};
        UINT32 actual = 99;
        if (size > 0) {
            ASSERT_EQ(view->GetMany(1, 8, many, &actual), S_OK);
            ASSERT_EQ(actual, size - 1);
            for (UINT32 i = 0; i < actual; ++i) {
                EXPECT_EQ(describe(many[i]), row.updates[i + 1]);
                many[i]->Release();
            }
        }
        EXPECT_EQ(view->GetMany(size, 8, many, &actual), S_OK);
        EXPECT_EQ(actual, 0u);
        EXPECT_EQ(view->GetMany(size + 1, 8, many, &actual), E_BOUNDS);
        EXPECT_EQ(actual, 0u);
    }
}

TEST(simulated_package_updates, each_request_gives_fresh_updates) {
    const auto context = context_for("after=now;package-update=F_p");
    ASSERT_TRUE(context);
    com_ptr<update_view> first, second;
    ASSERT_EQ(request_updates(context.get())->GetResults(first.put()), S_OK);
    ASSERT_EQ(request_updates(context.get())->GetResults(second.put()), S_OK);
    com_ptr<winabi::IStorePackageUpdate> update;
    ASSERT_EQ(first->GetAt(0, update.put()), S_OK);
    UINT32 index = 99;
    boolean found = true;
    EXPECT_EQ(second->IndexOf(update.get(), &index, &found), S_OK);
    EXPECT_FALSE(found);
    EXPECT_EQ(index, 0u);
}

// The updates as the view holds them, by identity, and described.
std::vector<winabi::IStorePackageUpdate*> items_of(update_view* view) {
    std::vector<winabi::IStorePackageUpdate*> items;
    UINT32 size = 0;
    EXPECT_EQ(view->get_Size(&size), S_OK);
    for (UINT32 i = 0; i < size; ++i) {
        com_ptr<winabi::IStorePackageUpdate> update;
        EXPECT_EQ(view->GetAt(i, update.put()), S_OK);
        items.push_back(update.get()); // the view keeps its own reference
    }
    return items;
}

TEST(simulated_package_updates, the_view_is_its_own_iterable_over_the_same_updates) {
    const char* const scenarios[] = {"", "package-update=A_1", "package-update=A_1;package-update=B_2,mandatory=true;"
                                                               "package-update=C_3,version=1.2.3.4"};
    for (const char* scenario : scenarios) {
        SCOPED_TRACE(scenario);
        const auto view = updates_for(scenario);
        ASSERT_TRUE(view);
        const auto expected = items_of(view.get());

        com_ptr<update_iterable> iterable;
        ASSERT_EQ(query(view.get(), update_iterable::iid, iterable), S_OK);
        com_ptr<update_view> back;
        ASSERT_EQ(query(iterable.get(), update_view::iid, back), S_OK);
        EXPECT_EQ(back.get(), view.get());

        // Walked one by one, each iterator from the start.
        for (int pass = 0; pass < 2; ++pass) {
            com_ptr<update_iterator> iterator;
            ASSERT_EQ(iterable->First(iterator.put()), S_OK);
            std::vector<winabi::IStorePackageUpdate*> walked;
            boolean has_current = false;
            ASSERT_EQ(iterator->get_HasCurrent(&has_current), S_OK);
            while (has_current && walked.size() <= expected.size()) {
                com_ptr<winabi::IStorePackageUpdate> current;
                ASSERT_EQ(iterator->get_Current(current.put()), S_OK);
                walked.push_back(current.get());
                ASSERT_EQ(iterator->MoveNext(&has_current), S_OK);
            }
            EXPECT_EQ(walked, expected);
            com_ptr<winabi::IStorePackageUpdate> past;
            EXPECT_EQ(iterator->get_Current(past.put()), E_BOUNDS);
            EXPECT_FALSE(past);
            EXPECT_EQ(iterator->MoveNext(&has_current), S_OK);
            EXPECT_FALSE(has_current);
        }

        // Taken in batches of two: each batch moves the iterator past it.
        com_ptr<update_iterator> iterator;
        ASSERT_EQ(iterable->First(iterator.put()), S_OK);
        std::vector<winabi::IStorePackageUpdate*> taken;
        for (UINT32 actual = 2; actual == 2 && taken.size() <= expected.size();) {
            winabi::IStorePackageUpdate* batch[2] = {};
            ASSERT_EQ(iterator->GetMany(2, batch, &actual), S_OK);
            ASSERT_LE(actual, 2u);
            for (UINT32 i = 0; i < actual; ++i) {
                taken.push_back(batch[i]);
                batch[i]->Release();
            }
        }
        EXPECT_EQ(taken, expected);
        boolean has_current = true;
        EXPECT_EQ(iterator->get_HasCurrent(&has_current), S_OK);
        EXPECT_FALSE(has_current);
    }
}

TEST(simulated_package_updates, what_the_iterator_hands_out_outlives_the_view) {
    com_ptr<winabi::IStorePackageUpdate> update;
    {
        const auto view = updates_for("package-update=Kept_1,version=2.0.0.0");
        ASSERT_TRUE(view);
        com_ptr<update_iterable> iterable;
        ASSERT_EQ(query(view.get(), update_iterable::iid, iterable), S_OK);
        com_ptr<update_iterator> iterator;
        ASSERT_EQ(iterable->First(iterator.put()), S_OK);
        ASSERT_EQ(iterator->get_Current(update.put()), S_OK);
        // Held by the view and by this test; the count that AddRef returns is exact here.
        EXPECT_EQ(update->AddRef(), 3u);
        update->Release();
        winabi::IStorePackageUpdate* batch[1] = {};
        UINT32 actual = 0;
        ASSERT_EQ(view->GetMany(0, 1, batch, &actual), S_OK);
        ASSERT_EQ(actual, 1u);
        EXPECT_EQ(batch[0]->Release(), 2u);
    }
    EXPECT_EQ(describe(update.get()), "Kept_1/Kept 2.0.0.0 optional");
}

// The first field whose read fails, as Object.Field and its code, reading
// every field in turn; "none" when all succeed.
std::string first_failing_field(const std::string& scenario) {
    const auto context = context_for("after=now;package-update=F_p,version=1.2.3.4,mandatory=true;" + scenario);
    if (!context) return "no context";
    com_ptr<update_view> view;
    if (request_updates(context.get())->GetResults(view.put()) != S_OK || !view) return "no view";
    com_ptr<winabi::IStorePackageUpdate> update;
    EXPECT_EQ(view->GetAt(0, update.put()), S_OK);
    const auto failed = [](const char* field, HRESULT hr) {
        std::ostringstream out;
        out << field << ':' << std::hex << static_cast<std::uint32_t>(hr);
        return out.str();
    };

    boolean mandatory = 7;
    if (const HRESULT hr = update->get_Mandatory(&mandatory); hr != S_OK) {
        EXPECT_EQ(mandatory, 0);
        return failed("StorePackageUpdate.Mandatory", hr);
    }
    EXPECT_EQ(mandatory, 1);
    com_ptr<winabi::IPackage> package;
    if (const HRESULT hr = update->get_Package(package.put()); hr != S_OK) {
        EXPECT_FALSE(package);
        return failed("StorePackageUpdate.Package", hr);
    }
    com_ptr<winabi::IPackageId> id;
    if (const HRESULT hr = package->get_Id(id.put()); hr != S_OK) {
        EXPECT_FALSE(id);
        return failed("Package.Id", hr);
    }
    unique_hstring family;
    if (const HRESULT hr = id->get_FamilyName(family.put()); hr != S_OK) {
        EXPECT_FALSE(family.get());
        return failed("PackageId.FamilyName", hr);
    }
    EXPECT_EQ(text_of(family.get()), "F_p");
    winabi::PackageVersion version{9, 9, 9, 9};
    if (const HRESULT hr = id->get_Version(&version); hr != S_OK) {
        EXPECT_EQ(version.Major + version.Minor + version.Build + version.Revision, 0);
        return failed("PackageId.Version", hr);
    }
    EXPECT_EQ(version.Revision, 4);
    com_ptr<winabi::IStoreContext3> context3;
    EXPECT_EQ(query(context.get(), winabi::IStoreContext3::iid, context3), S_OK);
    if (!context3) return "no IStoreContext3";
    boolean can = 7;
    if (const HRESULT hr = context3->get_CanSilentlyDownloadStorePackageUpdates(&can); hr != S_OK) {
        EXPECT_EQ(can, 0);
        return failed("IStoreContext3.CanSilentlyDownloadStorePackageUpdates", hr);
    }
    return "none";
}

TEST(simulated_package_updates, a_failing_field_gives_its_own_failure) {
    const struct {
        const char* scenario;
        const char* expected;
    } rows[] = {
        {"", "none"},
        {"fail=StorePackageUpdate.Mandatory:E_ACCESSDENIED", "StorePackageUpdate.Mandatory:80070005"},
        {"fail=StorePackageUpdate.Package:E_FAIL", "StorePackageUpdate.Package:80004005"},
        {"fail=Package.Id:E_BOUNDS", "Package.Id:8000000b"},
        {"fail=PackageId.FamilyName:RPC_E_WRONG_THREAD", "PackageId.FamilyName:8001010e"},
        {"fail=PackageId.Version:0x80001234", "PackageId.Version:80001234"},
        {"fail=IStoreContext3.CanSilentlyDownloadStorePackageUpdates:E_NOTIMPL",
         "IStoreContext3.CanSilentlyDownloadStorePackageUpdates:80004001"},
        // A field of another object fails only there.
        {"fail=Product.Title:E_FAIL;fail=License.IsActive:E_FAIL", "none"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        EXPECT_EQ(first_failing_field(row.scenario), row.expected);
    }
}

TEST(simulated_package_updates, the_usual_request_keys_act_on_the_update_check) {
    const struct {
        const char* scenario;
        HRESULT request;
        HRESULT results; // when there is an operation
        const char* view; // "null", the view's size, or empty for no operation
    } rows[] = {
        {"after=now;package-update=F_p", S_OK, S_OK, "1"},
        {"after=now;package-update=F_p;request=E_ACCESSDENIED", E_ACCESSDENIED, S_OK, ""},
        {"after=now;package-update=F_p;request=none", S_OK, S_OK, ""},
        {"after=now;package-update=F_p;results=E_BOUNDS", S_OK, E_BOUNDS, "null"},
        {"after=now;package-update=F_p;results=null", S_OK, S_OK, "null"},
        {"after=never;package-update=F_p", S_OK, E_ILLEGAL_METHOD_CALL, "null"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        const auto context = context_for(row.scenario);
        ASSERT_TRUE(context);
        const auto operation = request_updates(context.get(), row.request);
        if (std::string_view(row.view).empty()) {
            EXPECT_FALSE(operation);
            continue;
        }
        ASSERT_TRUE(operation);
        com_ptr<update_view> view;
        EXPECT_EQ(operation->GetResults(view.put()), row.results);
        UINT32 size = 0;
        if (view) {
            EXPECT_EQ(view->get_Size(&size), S_OK);
        }
        EXPECT_EQ(view ? std::to_string(size) : "null", row.view);
    }
}

TEST(simulated_package_updates, store_context3_answers_as_the_scenario_says) {
    const struct {
        const char* scenario;
        HRESULT query_result;
        std::optional<bool> can_silently_download;
    } rows[] = {
        {"", S_OK, true},
        {"can-silently-download=true", S_OK, true},
        {"can-silently-download=false", S_OK, false},
        {"can-silently-download=missing", E_NOINTERFACE, std::nullopt},
        {"can-silently-download=missing;can-silently-download=false", S_OK, false},
        {"bind=missing", S_OK, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        const auto context = context_for(row.scenario);
        ASSERT_TRUE(context);
        com_ptr<winabi::IStoreContext3> context3;
        EXPECT_EQ(query(context.get(), winabi::IStoreContext3::iid, context3), row.query_result);
        ASSERT_EQ(context3.get() != nullptr, row.can_silently_download.has_value());
        if (!context3) continue;
        boolean can = 7;
        EXPECT_EQ(context3->get_CanSilentlyDownloadStorePackageUpdates(&can), S_OK);
        EXPECT_EQ(can, *row.can_silently_download ? 1 : 0);
        // The other interfaces stay on offer.
        com_ptr<winabi::IStoreContext4> context4;
        EXPECT_EQ(query(context3.get(), winabi::IStoreContext4::iid, context4), S_OK);
    }
}

TEST(simulated_package_updates, the_trace_names_every_call_and_field) {
    const trace_file trace;
    {
        const auto view = updates_for("package-update=F_p", trace.path());
        ASSERT_TRUE(view);
        com_ptr<winabi::IStorePackageUpdate> update;
        ASSERT_EQ(view->GetAt(0, update.put()), S_OK);
        describe(update.get());
        com_ptr<winabi::IStoreContext3> context3;
        ASSERT_EQ(query(context_for("", trace.path()).get(), winabi::IStoreContext3::iid, context3), S_OK);
        boolean can = 0;
        EXPECT_EQ(context3->get_CanSilentlyDownloadStorePackageUpdates(&can), S_OK);
    }
    const std::vector<std::string> expected = {
        R"({"call":"GetDefault","object":"factory","thread":"main"})",
        R"({"call":"GetAppAndOptionalStorePackageUpdatesAsync","object":"context","thread":"main","via":"IStoreContext"})",
        R"({"call":"GetResults","object":"operation","thread":"main"})",
        R"({"call":"get_Mandatory","object":"packageUpdate","thread":"main","via":"IStorePackageUpdate"})",
        R"({"call":"get_Package","object":"packageUpdate","thread":"main","via":"IStorePackageUpdate"})",
        R"({"call":"get_Id","object":"package","thread":"main","via":"IPackage"})",
        R"({"call":"get_FamilyName","object":"packageId","thread":"main","via":"IPackageId"})",
        R"({"call":"get_Version","object":"packageId","thread":"main","via":"IPackageId"})",
        R"({"call":"GetDefault","object":"factory","thread":"main"})",
        R"({"call":"QueryInterface","object":"context","thread":"main","interface":"IStoreContext3"})",
        R"({"call":"get_CanSilentlyDownloadStorePackageUpdates","object":"context","thread":"main",)"
        R"("via":"IStoreContext3"})",
        R"({"call":"Release","object":"result","thread":"main"})",
    };
    EXPECT_EQ(trace.lines(), expected);
}

} // namespace
