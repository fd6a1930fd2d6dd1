// The lines of "consume" and "balance" when the Store delivered a result, exit
// code 0: its status word, the balance, and the result's extended error as a
// code when it is a failure; "consume" adds the tracking ID it sent, so that a
// host can retry with the same one. Their failures are query failure lines.
#pragma once

#include "result_line.h"
#include "../platform/win.h"

#include <string_view>

struct consumable_record {
    std::string_view status; // succeeded, insufficientQuantity, network, server or error
    UINT32 balance;
    HRESULT extended_error;
};

// {"status":"succeeded","balance":4,"trackingId":"6f9619ff-...","code":null,"error":null}
result_line consume_line(const consumable_record& answer, const GUID& tracking_id);

// {"status":"succeeded","balance":4,"code":null,"error":null}
result_line balance_line(const consumable_record& answer);
