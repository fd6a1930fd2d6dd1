// Two interface IDs that the Windows Runtime headers declare but mingw-w64's
// import libraries do not define. Selectany, so that an SDK library that does
// define them never clashes.
#include "win.h"

extern "C" __declspec(selectany) const IID IID_IInspectable = {
    0xAF86E2E0, 0xB12D, 0x4C6A, {0x9C, 0x5A, 0xD7, 0xAA, 0x65, 0x10, 0x1E, 0x90}};
extern "C" __declspec(selectany) const IID IID_IActivationFactory = {
    0x00000035, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
