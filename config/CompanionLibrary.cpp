// CompanionLibrary.cpp: load, call and release the companion library.
#include "config/CompanionLibrary.h"

#include <windows.h>

namespace {

/** @brief A loaded library, released on scope exit. */
class CLibrary
{
public:
    explicit CLibrary(const char* pszFile) : m_hModule(LoadLibraryA(pszFile)) {}
    ~CLibrary() { if (m_hModule) FreeLibrary(m_hModule); }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;
    HMODULE Get() const { return m_hModule; }

private:
    HMODULE m_hModule;  // owned
};

// The exports take no arguments; what they return is of no interest to us.
typedef void (WINAPI* CompanionProc)(void);

} // namespace

bool CallCompanionLibrary(const char* pszLibrary, const char* pszExport)
{
    CLibrary library(pszLibrary);
    if (!library.Get())
        return false;
    FARPROC pfn = GetProcAddress(library.Get(), pszExport);
    if (!pfn)
        return false;
    // Cast through void*: a direct cast between function pointer types draws a warning.
    CompanionProc pfnExport = reinterpret_cast<CompanionProc>(reinterpret_cast<void*>(pfn));
    pfnExport();
    return true;
}

bool CallCompanionLibrary(const char* pszExport)
{
    return CallCompanionLibrary(COMPANION_LIBRARY, pszExport);
}
