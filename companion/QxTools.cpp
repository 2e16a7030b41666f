// QxTools.cpp: entry point and exports of qx_tools.dll.
#include <windows.h>

#include "companion/QxDialogs.h"

namespace {
HINSTANCE s_hInstance = NULL;   // this library's module; not owned
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
    {
        s_hInstance = hInstance;
        DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}

// Both exports take no arguments: the calling tool hands over nothing but the call. The
// dialogs are modal to whatever window of the calling thread is active.
extern "C" int WINAPI DoAbout(void)
{
    return static_cast<int>(ShowAboutDialog(s_hInstance, GetActiveWindow()));
}

extern "C" int WINAPI DoQXVC(void)
{
    return static_cast<int>(ShowVersionCheckDialog(s_hInstance, GetActiveWindow()));
}
