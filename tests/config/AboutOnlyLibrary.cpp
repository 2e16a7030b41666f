// AboutOnlyLibrary.cpp: a stand-in companion library that exports "DoAbout" but not "DoQXVC".
// Each call counts itself in an environment variable of the process, which outlives the
// library between loads.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

extern "C" int WINAPI DoAbout(void)
{
    char szCount[32] = "0";
    GetEnvironmentVariableA("QX_ABOUT_ONLY_CALLS", szCount, sizeof szCount);
    std::snprintf(szCount, sizeof szCount, "%d", std::atoi(szCount) + 1);
    SetEnvironmentVariableA("QX_ABOUT_ONLY_CALLS", szCount);
    return 0;
}
