// New GUIDs as Windows makes them: version 4, random, with the RFC 4122 variant.
#include "../win.h"
#include "simulation.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace {

HRESULT hresult_of_errno(int error) {
    if (error == ENOMEM) return E_OUTOFMEMORY;
    if (error == EACCES || error == EPERM) return E_ACCESSDENIED;
    return E_FAIL;
}

// For a kernel or a sandbox without the getrandom system call.
HRESULT read_urandom(unsigned char* bytes, std::size_t size) {
    const int file = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (file < 0) return hresult_of_errno(errno);
    HRESULT result = S_OK;
    for (std::size_t got = 0; got < size;) {
        const ssize_t read_now = read(file, bytes + got, size - got);
        if (read_now > 0) {
            got += static_cast<std::size_t>(read_now);
        } else if (read_now < 0 && errno != EINTR) {
            result = hresult_of_errno(errno);
            break;
        } else if (read_now == 0) {
            result = E_FAIL; // the device never ends; a file in its place might
            break;
        }
    }
    close(file);
    return result;
}

HRESULT random_bytes(unsigned char* bytes, std::size_t size) {
    // getentropy takes up to 256 bytes, waits only until the system's random
    // source is first seeded, and is never cut short by a signal.
    if (getentropy(bytes, size) == 0) return S_OK;
    if (errno != ENOSYS) return hresult_of_errno(errno);
    return read_urandom(bytes, size);
}

} // namespace

HRESULT CoCreateGuid(GUID* guid) {
    if (!guid) return E_INVALIDARG;
    if (const HRESULT fault = platform_scenario().guid; fault < 0) return fault;
    unsigned char bytes[sizeof(GUID)];
    if (const HRESULT result = random_bytes(bytes, sizeof bytes); result < 0) return result;
    std::memcpy(guid, bytes, sizeof bytes);
    guid->Data3 = static_cast<std::uint16_t>((guid->Data3 & 0x0FFF) | 0x4000); // version 4
    guid->Data4[0] = static_cast<std::uint8_t>((guid->Data4[0] & 0x3F) | 0x80); // variant 10xx
    return S_OK;
}
