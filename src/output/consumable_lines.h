// The lines of "consume" and "balance" when the Store delivered a result: its
// status word, the balance, and the result's extended error when it is a
// failure code; "consume" adds the tracking ID it sent, so that a host can retry
// with the same one.
#pragma once

#include "../platform/win.h"

#include <string>
#include <string_view>

struct consumable_record {
    std::string_view status; // succeeded, insufficientQuantity, network, server or error
    UINT32 balance;
    HRESULT extended_error;
};

// {"status":"succeeded","balance":4,"trackingId":"6f9619ff-...","code":null,"error":null}
std::string consume_line(const consumable_record& answer, const GUID& tracking_id);

// {"status":"succeeded","balance":4,"code":null,"error":null}
std::string balance_line(const consumable_record& answer);

// "0x80070005" with the quotes for a failure code, null for any other.
std::string failure_code_json(HRESULT code);
