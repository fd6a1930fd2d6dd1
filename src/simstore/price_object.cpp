#include "price_object.h"
#include "field_reads.h"
#include "../platform/com_object.h"

#include <new>

namespace simstore {
namespace {

class store_price final : public com_object<store_price, winabi::IStorePrice, IAgileObject> {
public:
    store_price(shared_simulation simulation, const catalogue_price& price)
        : simulation_(std::move(simulation)), price_(price) {}

    HRESULT STDMETHODCALLTYPE get_FormattedBasePrice(HSTRING* value) override {
        return read_field(*simulation_, store_field::price_base, value, [&] { return copy_string(price_.base(), value); });
    }
    HRESULT STDMETHODCALLTYPE get_FormattedPrice(HSTRING* value) override {
        return read_field(*simulation_, store_field::price_formatted, value,
                          [&] { return copy_string(price_.formatted(), value); });
    }
    HRESULT STDMETHODCALLTYPE get_IsOnSale(boolean* value) override {
        return read_value(*simulation_, store_field::price_on_sale, value, price_.on_sale());
    }
    HRESULT STDMETHODCALLTYPE get_SaleEndDate(winabi::DateTime* value) override {
        return read_value(*simulation_, store_field::price_sale_end, value, winabi::DateTime{price_.sale_ends()});
    }
    HRESULT STDMETHODCALLTYPE get_CurrencyCode(HSTRING* value) override {
        return read_field(*simulation_, store_field::price_currency, value,
                          [&] { return copy_string(price_.currency(), value); });
    }
    HRESULT STDMETHODCALLTYPE get_FormattedRecurrencePrice(HSTRING* value) override {
        return read_field(*simulation_, store_field::price_recurrence, value,
                          [&] { return copy_string(price_.recurrence(), value); });
    }

private:
    const shared_simulation simulation_;
    const catalogue_price price_;
};

} // namespace

HRESULT create_price(const shared_simulation& simulation, const catalogue_price& quoted, winabi::IStorePrice** price) {
    *price = new (std::nothrow) store_price(simulation, quoted);
    return *price ? S_OK : E_OUTOFMEMORY;
}

} // namespace simstore
