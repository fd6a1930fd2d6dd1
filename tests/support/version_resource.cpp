// version-resource EXE: prints what Windows itself reads from a program's
// resources, as one JSON object: the fixed file and product versions and the
// file type (GetFileVersionInfoW, VerQueryValueW), every string of the first
// translation, and the application manifest. Problems go to stderr, exit code 1.
#include "output/json_writer.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "version-resource: %s failed, error %lu\n", what, GetLastError());
    std::exit(1);
}

std::string dotted(DWORD most, DWORD least) {
    return std::to_string(HIWORD(most)) + '.' + std::to_string(LOWORD(most)) + '.' + std::to_string(HIWORD(least)) +
           '.' + std::to_string(LOWORD(least));
}

template <class Value>
Value* query(std::vector<BYTE>& block, const std::wstring& path, UINT& length) {
    void* value = nullptr;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length)) return nullptr;
    return static_cast<Value*>(value);
}

std::string manifest_of(const wchar_t* file) {
    const HMODULE module = LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) fail("LoadLibraryExW");
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    if (!found) fail("FindResourceW(RT_MANIFEST)");
    const HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) fail("LoadResource");
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    std::string text(bytes, SizeofResource(module, found));
    FreeLibrary(module);
    return text;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: version-resource EXE\n", stderr);
        return 2;
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(argv[1], &ignored);
    if (size == 0) fail("GetFileVersionInfoSizeW");
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(argv[1], 0, size, block.data())) fail("GetFileVersionInfoW");

    UINT length = 0;
    const auto* fixed = query<VS_FIXEDFILEINFO>(block, L"\\", length);
    if (!fixed || fixed->dwSignature != VS_FFI_SIGNATURE) fail("VerQueryValueW for the fixed file information");
    json_writer out(escape_rule::rfc8259);
    out.open_object()
        .member("fileVersion").string(dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS))
        .member("productVersion").string(dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS))
        .member("fileType").integer(fixed->dwFileType);

    struct translation {
        WORD language;
        WORD code_page;
    };
    const auto* translations = query<translation>(block, L"\\VarFileInfo\\Translation", length);
    if (!translations || length < sizeof(translation)) fail("VerQueryValueW for the translation");
    wchar_t prefix[32];
    std::swprintf(prefix, 32, L"\\StringFileInfo\\%04x%04x\\", translations->language, translations->code_page);
    for (const wchar_t* name : {L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright",
                                L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
        const auto* value = query<wchar_t>(block, prefix + std::wstring(name), length);
        // The names are plain ASCII words, as member names must be.
        const std::wstring_view wide_name(name);
        out.member(std::string(wide_name.begin(), wide_name.end()));
        if (value) out.string(std::wstring_view(value));
        else out.null();
    }
    const std::string text = out.member("manifest").string(manifest_of(argv[1])).close_object().take();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
