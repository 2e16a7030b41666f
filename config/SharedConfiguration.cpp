// SharedConfiguration.cpp: module registration and the Brel migration.
#include "config/SharedConfiguration.h"

#include "config/GameDirectories.h"
#include "config/SettingsStore.h"

#include <windows.h>

#include <climits>
#include <vector>

namespace {

/** @brief One row of the migration: a key of "kestrin.ini" and the game it names. */
struct BrelMigrationRow
{
    const char* pszSection;
    const char* pszKey;
    const char* pszGame;
};

// The Kestrin demos share the full version's key: the older tool kept no separate one.
const BrelMigrationRow s_migrationRows[] = {
    { "Kestrin",   "K1Full",  "Kestrin 1 Demo" },
    { "Kestrin",   "K1OEM",   "Kestrin 1 OEM" },
    { "Kestrin",   "K1Full",  "Kestrin 1" },
    { "Kestrin",   "K2Full",  "Kestrin 2 Demo" },
    { "Kestrin",   "K2OEM",   "Kestrin 2 OEM" },
    { "Kestrin",   "K2Full",  "Kestrin 2" },
    { "Kestrin",   "K3Full",  "Kestrin 3 Demo" },
    { "Kestrin",   "K3OEM",   "Kestrin 3 OEM" },
    { "Kestrin",   "K3Full",  "Kestrin 3" },
    { "FreeSpace", "FS1Demo", "FreeSpace 1 Demo" },
    { "FreeSpace", "FS1OEM",  "FreeSpace 1 OEM" },
    { "FreeSpace", "FS1Full", "FreeSpace 1" },
    { "FreeSpace", "FS2Demo", "FreeSpace 2 Demo" },
    { "FreeSpace", "FS2Full", "FreeSpace 2" },
    { "Summoner",  "S1Demo",  "Summoner 1 Demo" },
    { "Summoner",  "S1Full",  "Summoner 1" },
};

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }
bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f'; }

} // namespace

int ParseBuildNumber(const std::string& strVersion)
{
    const std::string::size_type nPos = strVersion.find("Build ");
    if (nPos == std::string::npos)
        return 0;
    std::string::size_type i = nPos + 6;
    while (i < strVersion.size() && IsBlank(strVersion[i]))
        ++i;
    long long nBuild = 0;
    for (; i < strVersion.size() && IsDigit(strVersion[i]); ++i)
    {
        nBuild = nBuild * 10 + (strVersion[i] - '0');
        if (nBuild > INT_MAX)
            return INT_MAX;     // saturate rather than wrap into a negative build
    }
    return static_cast<int>(nBuild);
}

std::string NormaliseExePath(const std::string& strModulePath)
{
    const std::string::size_type nSlash = strModulePath.rfind('\\');
    const std::string::size_type nNameStart = nSlash == std::string::npos ? 0 : nSlash + 1;
    const std::string::size_type nDot = strModulePath.rfind('.');
    std::string strBase = strModulePath;
    if (nDot != std::string::npos && nDot >= nNameStart)
        strBase.erase(nDot);
    return strBase + ".exe";
}

std::string GetRunningExePath()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;)
    {
        const DWORD cch = GetModuleFileNameA(NULL, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (cch == 0)
            return std::string();
        if (cch < buffer.size())
            return std::string(buffer.data(), cch);
        if (buffer.size() >= 32768)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

void RegisterModule(const std::string& strExePath)
{
    const std::string strFullPath = NormaliseExePath(strExePath);
    const std::string::size_type nSlash = strFullPath.rfind('\\');
    const std::string strFolder = nSlash == std::string::npos ? std::string() : strFullPath.substr(0, nSlash + 1);
    const std::string strFileName = nSlash == std::string::npos ? strFullPath : strFullPath.substr(nSlash + 1);

    std::string strVersion, strDate, strCoder;
    int nBuild = 0;
    const std::string strModuleInfo = strFolder + MODULE_INFO_FILE;
    if (FileExists(strModuleInfo))
    {
        strVersion = ReadIniString(MODULE_INFO_SECTION, "Vers", strModuleInfo);
        strDate = ReadIniString(MODULE_INFO_SECTION, "Date", strModuleInfo);
        strCoder = ReadIniString(MODULE_INFO_SECTION, "Coder", strModuleInfo);
        nBuild = ParseBuildNumber(strVersion);
    }

    WriteSharedString(TOOL_REGISTRATION_SUBKEY, "Path", strFolder);
    WriteSharedString(TOOL_REGISTRATION_SUBKEY, "EXE", strFullPath);
    WriteSharedString(TOOL_REGISTRATION_SUBKEY, "EXEName", strFileName);
    WriteSharedString(TOOL_REGISTRATION_SUBKEY, "Version", strVersion);
    WriteSharedInt(TOOL_REGISTRATION_SUBKEY, "Build", nBuild);
    WriteSharedString(TOOL_REGISTRATION_SUBKEY, "Date", strDate);
    WriteSharedString(TOOL_REGISTRATION_SUBKEY, "Coder", strCoder);
}

void RegisterModule()
{
    RegisterModule(GetRunningExePath());
}

void MigrateBrelConfiguration(const std::string& strBrelConfigPath)
{
    if (ReadSharedInt(GAMES_CONFIG_SUBKEY, MIGRATION_MARKER_VALUE, 0) != 0)
        return;
    // The marker goes first: the import is tried once per machine, whatever it finds.
    WriteSharedInt(GAMES_CONFIG_SUBKEY, MIGRATION_MARKER_VALUE, 1);

    if (!FileExists(strBrelConfigPath))
        return;
    const std::string strBrelFolder = ReadIniString("Directories", "Brel3", strBrelConfigPath);
    if (strBrelFolder.empty())
        return;
    const std::string strFolder = AddTrailingBackslash(strBrelFolder);
    const std::string strKestrinIni = strFolder + "kestrin.ini";
    if (!FileExists(strFolder + "brel.ini") || !FileExists(strKestrinIni))
        return;

    for (const BrelMigrationRow& row : s_migrationRows)
    {
        const std::string strSubKey = std::string(GAMES_CONFIG_SUBKEY) + "\\" + row.pszGame;
        const std::string strPath = ReadIniString(row.pszSection, row.pszKey, strKestrinIni);
        // A game the old tool did not know must not wipe a folder that is already recorded
        // (the detection has just written the Summoner folder, other tools write theirs).
        if (strPath.empty() && !ReadSharedString(strSubKey, "Path").empty())
            continue;
        WriteSharedString(strSubKey, "Path", strPath);
    }
}

void MigrateBrelConfiguration()
{
    MigrateBrelConfiguration(BREL_CONFIG_FILE);
}

void RefreshSharedConfiguration(const std::string& strExePath, const std::string& strBrelConfigPath)
{
    RegisterModule(strExePath);
    MigrateBrelConfiguration(strBrelConfigPath);
}

void RefreshSharedConfiguration()
{
    RefreshSharedConfiguration(GetRunningExePath(), BREL_CONFIG_FILE);
}
