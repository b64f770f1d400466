// Imports of DLLs that are not among Windows' KnownDLLs, resolved at their
// first call from System32 alone. Windows would look for such a DLL beside
// Setup.exe first (a Downloads folder), and a static import is resolved
// before any code of ours runs; so instead of the import libraries, this
// file defines each import's pointer (what a dllimport call goes through:
// __imp__Name@N for 32-bit stdcall, plain __imp_Name on x64), first pointing to a resolver that loads the DLL with
// LoadFromSystem32 (DllSearch.cpp) and replaces itself. The
// functions are those libcurl's Schannel code and its random source call,
// and WinHTTP's for a signed release's proxy settings; a call to any other
// would pull its import library in again, which the import table test
// catches.
#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <string>

#include "DllSearch.h"

namespace {

FARPROC Resolve(const wchar_t* dll, const char* name) {
    const HMODULE module = LoadFromSystem32(dll);
    const FARPROC function = module ? GetProcAddress(module, name) : nullptr;
    // Only a damaged Windows lacks these; nothing sensible can go on.
    if (!function) FatalAppExitW(0, (std::wstring(L"Setup cannot load ") + dll + L" from the system folder.").c_str());
    return function;
}

template <typename Function>
struct Import;

template <typename Result, typename... Args>
struct Import<Result WINAPI(Args...)> {
    using Pointer = Result(WINAPI*)(Args...);
    // The first call through slot lands here, resolves, and goes on.
    template <Pointer& slot, const wchar_t* dll, const char* name>
    static Result WINAPI First(Args... args) {
        slot = reinterpret_cast<Pointer>(reinterpret_cast<void*>(Resolve(dll, name)));
        return slot(args...);
    }
};

constexpr wchar_t kCrypt32[] = L"crypt32.dll";
constexpr wchar_t kBcrypt[] = L"bcrypt.dll";
constexpr wchar_t kWinhttp[] = L"winhttp.dll";

}  // namespace

// The symbol of function's import pointer, as the compiler names it for a
// dllimport call on this target (the argument bytes only matter for stdcall).
#if defined(_WIN64)
#define SETUP_IMPORT_SYMBOL(function, bytes) "__imp_" #function
#else
#define SETUP_IMPORT_SYMBOL(function, bytes) "__imp__" #function "@" #bytes
#endif

// SETUP_IMPORT(dll, function, argument bytes): the import pointer of function.
#define SETUP_IMPORT(dll, function, bytes)                                                                       \
    namespace {                                                                                                  \
    constexpr char k##function[] = #function;                                                                    \
    }                                                                                                            \
    extern "C" Import<decltype(function)>::Pointer imp_##function __asm__(SETUP_IMPORT_SYMBOL(function, bytes)); \
    Import<decltype(function)>::Pointer imp_##function =                                                         \
        &Import<decltype(function)>::First<imp_##function, dll, k##function>;

SETUP_IMPORT(kBcrypt, BCryptGenRandom, 16)
// bcrypt.h declares it without dllimport: calls go to the function itself.
extern "C" NTSTATUS WINAPI BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG size, ULONG flags) {
    return imp_BCryptGenRandom(algorithm, buffer, size, flags);
}
SETUP_IMPORT(kCrypt32, CertAddCertificateContextToStore, 16)
SETUP_IMPORT(kCrypt32, CertCloseStore, 8)
SETUP_IMPORT(kCrypt32, CertCreateCertificateChainEngine, 8)
SETUP_IMPORT(kCrypt32, CertEnumCertificatesInStore, 8)
SETUP_IMPORT(kCrypt32, CertFindCertificateInStore, 24)
SETUP_IMPORT(kCrypt32, CertFindExtension, 12)
SETUP_IMPORT(kCrypt32, CertFreeCertificateChain, 4)
SETUP_IMPORT(kCrypt32, CertFreeCertificateChainEngine, 4)
SETUP_IMPORT(kCrypt32, CertFreeCertificateContext, 4)
SETUP_IMPORT(kCrypt32, CertGetCertificateChain, 32)
SETUP_IMPORT(kCrypt32, CertGetNameStringA, 24)
SETUP_IMPORT(kCrypt32, CertOpenStore, 20)
SETUP_IMPORT(kCrypt32, CryptDecodeObjectEx, 32)
SETUP_IMPORT(kCrypt32, CryptQueryObject, 44)
SETUP_IMPORT(kCrypt32, CryptStringToBinaryA, 28)
SETUP_IMPORT(kCrypt32, PFXImportCertStore, 12)
// winhttp.h, too, declares its functions without dllimport.
SETUP_IMPORT(kWinhttp, WinHttpCloseHandle, 4)
extern "C" BOOL WINAPI WinHttpCloseHandle(HINTERNET handle) { return imp_WinHttpCloseHandle(handle); }
SETUP_IMPORT(kWinhttp, WinHttpGetIEProxyConfigForCurrentUser, 4)
extern "C" BOOL WINAPI WinHttpGetIEProxyConfigForCurrentUser(WINHTTP_CURRENT_USER_IE_PROXY_CONFIG* config) {
    return imp_WinHttpGetIEProxyConfigForCurrentUser(config);
}
SETUP_IMPORT(kWinhttp, WinHttpGetProxyForUrl, 16)
extern "C" BOOL WINAPI WinHttpGetProxyForUrl(HINTERNET session, LPCWSTR url, WINHTTP_AUTOPROXY_OPTIONS* options,
                                             WINHTTP_PROXY_INFO* info) {
    return imp_WinHttpGetProxyForUrl(session, url, options, info);
}
SETUP_IMPORT(kWinhttp, WinHttpOpen, 20)
extern "C" HINTERNET WINAPI WinHttpOpen(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass, DWORD flags) {
    return imp_WinHttpOpen(agent, access, proxy, bypass, flags);
}
