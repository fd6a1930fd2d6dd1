// Faults the scenario's "crash" key injects, to exercise the bridge's crash
// containment.
#pragma once

namespace simstore {

// A hardware fault: a write through a pointer to the last page of the address
// space, which no target maps. Not a null pointer: under Wine, run as root,
// page zero is mapped and a null write passes without a fault.
void write_through_bad_pointer();

// A language exception of a kind no handler of the bridge catches, in the form
// the Store component of this target would raise it.
void raise_uncaught_language_exception();

} // namespace simstore
