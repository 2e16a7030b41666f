// StandInViewer.cpp: a stand-in for the MIRADOR viewer in tests.
//
//   mirador_standin /register BUILD   records this program as the installed viewer of that build
//   mirador_standin ANYTHING...       writes what followed the program name on its command line
//                                     to %QUARNEL_VIEWER_LOG% (default: beside the program,
//                                     mirador_standin.log) and exits
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include "app/ViewerLaunch.h"
#include "config/SettingsStore.h"

namespace
{
std::string ProgramPath()
{
    char sz[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, sz, sizeof(sz));
    return sz;
}

/// The raw command line after the program name and the blank that ends it.
std::string Parameters()
{
    const char* p = ::GetCommandLineA();
    if (*p == '"')
    {
        const char* pEnd = std::strchr(p + 1, '"');
        p = pEnd ? pEnd + 1 : p + std::strlen(p);
    }
    else
    {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    if (*p == ' ' || *p == '\t')
        ++p;
    return p;
}
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc == 3 && std::strcmp(__argv[1], "/register") == 0)
    {
        bool bOk = WriteSharedInt(VIEWER_SUBKEY, VIEWER_VALUE_BUILD, std::atoi(__argv[2])) &&
                   WriteSharedString(VIEWER_SUBKEY, VIEWER_VALUE_EXE, ProgramPath());
        return bOk ? 0 : 1;
    }

    char szLog[MAX_PATH] = "";
    std::string strLog;
    if (::GetEnvironmentVariableA("QUARNEL_VIEWER_LOG", szLog, sizeof(szLog)))
        strLog = szLog;
    else
        strLog = ProgramPath().substr(0, ProgramPath().rfind('.')) + ".log";

    // Written beside the log and renamed, so a reader never sees half a line.
    std::string strTemp = strLog + ".part";
    std::string strText = Parameters();
    HANDLE hFile = ::CreateFileA(strTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return 2;
    DWORD dwWritten = 0;
    ::WriteFile(hFile, strText.data(), static_cast<DWORD>(strText.size()), &dwWritten, nullptr);
    ::CloseHandle(hFile);
    return ::MoveFileExA(strTemp.c_str(), strLog.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}
