#include "error_information.h"
#include "../platform/com_ptr.h"
#include "../platform/error_info_object.h"

#include <new>

namespace simstore {

HRESULT injected_failure(HRESULT code, const error_settings& settings) {
    com_ptr<IErrorInfo> info;
    if (settings.description || settings.restricted) {
        try {
            // With a restricted description it is restricted error information; with only
            // a description, plain COM error information that refuses IRestrictedErrorInfo.
            info = com_ptr<IErrorInfo>::attach(new error_info_object(error_details{
                settings.reported.value_or(code), settings.description, settings.restricted, settings.details,
                settings.restricted.has_value()}));
        } catch (const std::bad_alloc&) {
            // The failure is still returned, only without its words.
        }
    }
    // Its own result changes nothing: the failure is returned either way.
    SetErrorInfo(0, info.get());
    return code;
}

} // namespace simstore
