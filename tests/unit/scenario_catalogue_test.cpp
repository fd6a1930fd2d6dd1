// The scenario keys of the query results: the app's licence, add-on licences
// and products with every field, null objects, package updates, failing
// fields, generated catalogues, and the message that names a refused item.
#include "simstore/catalogue.h"
#include "simstore/scenario.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

namespace {

using namespace simstore;

std::string utf8_of(const wide_string& text) {
    std::string out;
    for (const WCHAR unit : text) out += unit < 0x80 ? static_cast<char>(unit) : '?';
    return out;
}

// Every catalogue field, so that a case also catches a value landing in the wrong field.
std::string describe(const scenario& s) {
    std::ostringstream out;
    const app_license_settings& l = s.license;
    out << "app " << l.active << l.trial << l.trial_owned << ' ' << l.trial_left << ' ' << l.expires << ' '
        << utf8_of(l.sku) << '|' << utf8_of(l.trial_id) << " add-on-map-null " << s.add_on_map_null
        << " product-map-null " << s.product_map_null << std::hex << " extended " << s.extended_error << std::dec
        << " generated " << s.generated.add_ons << ',' << s.generated.products << ',' << s.generated.text_length;
    for (const add_on_settings& a : s.add_ons)
        out << " add-on " << utf8_of(a.sku) << '|' << (a.key ? utf8_of(*a.key) : "nokey") << '|' << a.active << '|'
            << a.expires << '|' << utf8_of(a.offer_token);
    for (const product_settings& p : s.products) {
        out << " product " << utf8_of(p.store_id) << '|' << utf8_of(p.kind) << '|' << utf8_of(p.title) << '|'
            << (p.description ? utf8_of(*p.description) : "nodescription") << '|' << p.in_collection << '|'
            << utf8_of(p.offer_token);
        if (p.price)
            out << " price " << utf8_of(p.price->formatted) << '|' << utf8_of(p.price->base) << '|'
                << utf8_of(p.price->currency) << '|' << p.price->on_sale << '|' << p.price->sale_ends << '|'
                << utf8_of(p.price->recurrence);
        else out << " noprice";
    }
    for (const package_update_settings& u : s.package_updates)
        out << " update " << utf8_of(u.family_name) << '|' << u.version[0] << '.' << u.version[1] << '.'
            << u.version[2] << '.' << u.version[3] << '|' << u.mandatory;
    out << " silent " << static_cast<int>(s.can_silently_download);
    out << std::hex;
    for (std::size_t i = 0; i < s.field_failures.size(); ++i)
        if (s.field_failures[i]) out << " fail " << i << '=' << s.field_failures[i];
    return out.str();
}

struct good_case {
    const char* text;
    void (*expect)(scenario& expected);
};

const good_case good_cases[] = {
    {"app-active=false;app-trial=true;app-trial-owned=true",
     [](scenario& s) {
         s.license.active = false;
         s.license.trial = s.license.trial_owned = true;
     }},
    {"app-trial-left=-5", [](scenario& s) { s.license.trial_left = -5; }},
    {"app-trial-left=0;app-trial-left=max", [](scenario&) {}},
    {"app-expires=0", [](scenario& s) { s.license.expires = 0; }},
    {"app-expires=-9223372036854775808", [](scenario& s) { s.license.expires = INT64_MIN; }},
    {"app-expires=1;app-expires=never", [](scenario&) {}},
    {"app-sku=9N%2F0010;app-trial-id=", [](scenario& s) { s.license.sku = WIDE("9N/0010"); }},
    {"add-on=9A/1;add-on=9B,active=false,expires=7,token=t%2Ck,key=9B",
     [](scenario& s) {
         s.add_ons.push_back({WIDE("9A/1"), std::nullopt, true, never_expires, WIDE("")});
         s.add_ons.push_back({WIDE("9B"), WIDE("9B"), false, 7, WIDE("t,k")});
     }},
    {"add-on=", [](scenario& s) { s.add_ons.push_back({}); }},
    {"add-on-map=null;product-map=null",
     [](scenario& s) { s.add_on_map_null = s.product_map_null = true; }},
    {"product=9P,kind=Game,title=T,description=D%0A,price=1,base-price=2,currency=EUR,on-sale=true,"
     "sale-ends=never,recurrence-price=3,in-collection=true,token=k",
     [](scenario& s) {
         product_settings p;
         p.store_id = WIDE("9P");
         p.kind = WIDE("Game");
         p.title = WIDE("T");
         p.description = std::make_shared<const wide_string>(WIDE("D\n"));
         p.price = price_settings{WIDE("1"), WIDE("2"), WIDE("EUR"), true, never_expires, WIDE("3")};
         p.in_collection = true;
         p.offer_token = WIDE("k");
         s.products.push_back(p);
     }},
    {"product=9Q,price=1,pricing=none",
     [](scenario& s) {
         product_settings p;
         p.store_id = WIDE("9Q");
         p.price.reset();
         s.products.push_back(p);
     }},
    {"extended-error=0x803F6107", [](scenario& s) { s.extended_error = static_cast<HRESULT>(0x803F6107); }},
    {"extended-error=E_FAIL;extended-error=S_FALSE", [](scenario& s) { s.extended_error = S_FALSE; }},
    {"fail=Product.Title:E_FAIL;fail=AppLicense.AddOnLicenses:0x80070005;fail=Price.SaleEndDate:E_BOUNDS",
     [](scenario& s) {
         s.field_failures[static_cast<std::size_t>(store_field::product_title)] = static_cast<HRESULT>(0x80004005);
         s.field_failures[static_cast<std::size_t>(store_field::app_add_ons)] = static_cast<HRESULT>(0x80070005);
         s.field_failures[static_cast<std::size_t>(store_field::price_sale_end)] = static_cast<HRESULT>(0x8000000B);
     }},
    {"package-update=Contoso.App_8wekyb3d8bbwe",
     [](scenario& s) { s.package_updates.push_back({WIDE("Contoso.App_8wekyb3d8bbwe"), {1, 0, 0, 0}, false}); }},
    {"package-update=B%2Cx,version=65535.0.7.1,mandatory=true;package-update=A,mandatory=false,version=0.0.0.0",
     [](scenario& s) {
         s.package_updates.push_back({WIDE("B,x"), {65535, 0, 7, 1}, true});
         s.package_updates.push_back({WIDE("A"), {0, 0, 0, 0}, false});
     }},
    {"package-update=A,version=1.2.3.4,version=5.6.7.8",
     [](scenario& s) { s.package_updates.push_back({WIDE("A"), {5, 6, 7, 8}, false}); }},
    {"can-silently-download=false", [](scenario& s) { s.can_silently_download = silent_download::refused; }},
    {"can-silently-download=missing", [](scenario& s) { s.can_silently_download = silent_download::missing; }},
    {"can-silently-download=missing;can-silently-download=true", [](scenario&) {}},
    {"fail=StorePackageUpdate.Package:E_FAIL;fail=StorePackageUpdate.Mandatory:E_BOUNDS;fail=Package.Id:E_FAIL;"
     "fail=PackageId.FamilyName:E_FAIL;fail=PackageId.Version:E_BOUNDS;"
     "fail=IStoreContext3.CanSilentlyDownloadStorePackageUpdates:0x80070005",
     [](scenario& s) {
         const auto fail = [&](store_field field, std::uint32_t code) {
             s.field_failures[static_cast<std::size_t>(field)] = static_cast<HRESULT>(code);
         };
         fail(store_field::update_package, 0x80004005);
         fail(store_field::update_mandatory, 0x8000000B);
         fail(store_field::package_id, 0x80004005);
         fail(store_field::package_family_name, 0x80004005);
         fail(store_field::package_version, 0x8000000B);
         fail(store_field::context_can_silently_download, 0x80070005);
     }},
    {"generate-add-ons=1000;generate-products=5:20",
     [](scenario& s) {
         s.generated.add_ons = 1000;
         s.generated.products = 5;
         s.generated.text_length = 20;
     }},
};

struct bad_case {
    const char* text;
    const char* item;
    const char* problem;
};

constexpr const char* update_expected =
    "expected FAMILY[,version=A.B.C.D][,mandatory=BOOL]: FAMILY percent-encoded, not empty; A to D each 0 to 65535";

const bad_case bad_cases[] = {
    {"app-active=yes", "app-active=yes", "expected true or false"},
    {"app-trial-left=1.5", "app-trial-left=1.5", "expected ticks or max"},
    {"app-expires=9223372036854775808", "app-expires=9223372036854775808", "expected ticks or never"},
    {"app-sku=%zz", "app-sku=%zz", "expected percent-encoded text"},
    {"add-on=9A,colour=red", "add-on=9A,colour=red", "expected SKU[,active=BOOL][,expires=TICKS][,token=TEXT][,key=TEXT]"},
    {"add-on=9A,active", "add-on=9A,active", "expected SKU[,active=BOOL][,expires=TICKS][,token=TEXT][,key=TEXT]"},
    {"add-on-map=none", "add-on-map=none", "expected null"},
    {"product=9P,on-sale=1", "product=9P,on-sale=1", "expected ID[,FIELD=VALUE...]"},
    {"product=9P,pricing=free", "product=9P,pricing=free", "expected ID[,FIELD=VALUE...]"},
    {"product=%4", "product=%4", "expected ID[,FIELD=VALUE...]"},
    {"extended-error=1", "extended-error=1", "expected an HRESULT, 0, S_OK or S_FALSE"},
    {"fail=Product.Colour:E_FAIL", "fail=Product.Colour:E_FAIL", "expected Object.Field:HRESULT"},
    {"fail=Product.Title", "fail=Product.Title", "expected Object.Field:HRESULT"},
    {"fail=Title:E_FAIL", "fail=Title:E_FAIL", "expected Object.Field:HRESULT"},
    {"fail=License.Title:E_FAIL", "fail=License.Title:E_FAIL", "expected Object.Field:HRESULT"},
    {"fail=Package.FamilyName:E_FAIL", "fail=Package.FamilyName:E_FAIL", "expected Object.Field:HRESULT"},
    {"fail=IStoreContext3.TrySilentDownloadStorePackageUpdatesAsync:E_FAIL",
     "fail=IStoreContext3.TrySilentDownloadStorePackageUpdatesAsync:E_FAIL", "expected Object.Field:HRESULT"},
    {"package-update=", "package-update=", update_expected},
    {"package-update=,mandatory=true", "package-update=,mandatory=true", update_expected},
    {"package-update=%zz", "package-update=%zz", update_expected},
    {"package-update=F,version=1.2.3", "package-update=F,version=1.2.3", update_expected},
    {"package-update=F,version=1.2.3.4.5", "package-update=F,version=1.2.3.4.5", update_expected},
    {"package-update=F,version=1.2.3.65536", "package-update=F,version=1.2.3.65536", update_expected},
    {"package-update=F,version=1.-1.3.4", "package-update=F,version=1.-1.3.4", update_expected},
    {"package-update=F,version=1.-0.3.4", "package-update=F,version=1.-0.3.4", update_expected},
    {"package-update=F,version=1..3.4", "package-update=F,version=1..3.4", update_expected},
    {"package-update=F,version=1.2.3.4x", "package-update=F,version=1.2.3.4x", update_expected},
    {"package-update=F,version", "package-update=F,version", update_expected},
    {"package-update=F,mandatory=yes", "package-update=F,mandatory=yes", update_expected},
    {"package-update=F,colour=red", "package-update=F,colour=red", update_expected},
    {"package-update=F;can-silently-download=maybe", "can-silently-download=maybe",
     "expected true, false or missing"},
    {"generate-add-ons=1000001", "generate-add-ons=1000001", "expected a count up to 1000000"},
    {"generate-products=5:6:7", "generate-products=5:6:7", "expected COUNT[:LENGTH], each up to 1000000"},
    {"generate-products=-1", "generate-products=-1", "expected COUNT[:LENGTH], each up to 1000000"},
};

} // namespace

TEST(scenario_catalogue, every_key_lands_in_its_field) {
    for (const good_case& row : good_cases) {
        SCOPED_TRACE(row.text);
        const auto parsed = parse_scenario(row.text);
        const auto* got = std::get_if<scenario>(&parsed);
        ASSERT_NE(got, nullptr) << std::get<scenario_error>(parsed).message;
        scenario expected;
        row.expect(expected);
        EXPECT_EQ(describe(*got), describe(expected));
    }
}

TEST(scenario_catalogue, refuses_bad_items_by_name) {
    for (const bad_case& row : bad_cases) {
        SCOPED_TRACE(row.text);
        const auto parsed = parse_scenario(row.text);
        const auto* error = std::get_if<scenario_error>(&parsed);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->message, std::string("bad scenario item \"") + row.item + "\": " + row.problem);
    }
}

TEST(scenario_catalogue, generated_entries_follow_the_declared_ones_and_share_one_long_description) {
    const auto parsed = parse_scenario("product=9X;generate-products=3:50;add-on=9Y;generate-add-ons=2");
    const auto& s = std::get<scenario>(parsed);
    ASSERT_EQ(product_count(s), 4u);
    EXPECT_EQ(catalogue_product(s, 0).store_id().view(), WIDE("9X"));
    EXPECT_EQ(catalogue_product(s, 1).store_id().view(), WIDE("9P0000000003"));
    EXPECT_EQ(catalogue_product(s, 3).store_id().view(), WIDE("9P0000000001"));
    ASSERT_TRUE(catalogue_product(s, 1).description());
    EXPECT_EQ(catalogue_product(s, 1).description()->size(), 50u);
    EXPECT_EQ(catalogue_product(s, 1).description(), catalogue_product(s, 2).description());
    ASSERT_EQ(add_on_count(s), 3u);
    EXPECT_EQ(add_on_at(s, 0).sku, WIDE("9Y"));
    EXPECT_EQ(add_on_at(s, 2).sku, WIDE("9Q0000000001/0010"));
}
