// A COM object that the platform may call from any thread: it answers
// IAgileObject, and IMarshal through the free-threaded marshaler, as the
// platform's own objects do.
#pragma once

#include "../platform/com_object.h"
#include "../platform/platform_failure.h"

template <class Derived, class... Interfaces>
class agile_object : public com_object<Derived, Interfaces..., IAgileObject> {
    using base = com_object<Derived, Interfaces..., IAgileObject>;

public:
    agile_object() {
        check_hresult(CoCreateFreeThreadedMarshaler(static_cast<IUnknown*>(static_cast<IAgileObject*>(this)),
                                                    marshaler_.put()));
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object && iid == IID_IMarshal) return marshaler_->QueryInterface(iid, object);
        return base::QueryInterface(iid, object);
    }

private:
    com_ptr<IUnknown> marshaler_;
};
