// The Windows Runtime's restricted error information, declared here because not
// every SDK ships it (mingw-w64 does not). Kept in its own namespace so that it
// never meets the SDK's declaration where there is one.
#pragma once

#include "win.h"

namespace winabi {

struct IRestrictedErrorInfo : IUnknown {
    static constexpr IID iid = {0x82BA7092, 0x4C88, 0x427D, {0xA7, 0xBC, 0x16, 0xDD, 0x93, 0xFE, 0xB6, 0x7E}};

    virtual HRESULT STDMETHODCALLTYPE GetErrorDetails(BSTR* description, HRESULT* error, BSTR* restricted_description,
                                                      BSTR* capability_sid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetReference(BSTR* reference) = 0;

protected:
    ~IRestrictedErrorInfo() = default;
};

inline constexpr const IID& IID_IRestrictedErrorInfo = IRestrictedErrorInfo::iid;

} // namespace winabi
