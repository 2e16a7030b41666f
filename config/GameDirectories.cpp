// GameDirectories.cpp: detection and lookup of the games' install folders.
#include "config/GameDirectories.h"

#include "config/SettingsStore.h"

#include <windows.h>

namespace {

const char RED_FACTION_KEY[] = "Software\\Volition\\Red Faction";
const char SUMMONER_APP_PATH_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Summoner.exe";
const char SHARED_RED_FACTION_KEY[] = "Software\\Kestrin Network\\Games Configuration\\Red Faction 1";
const char SHARED_SUMMONER_KEY[] = "Software\\Kestrin Network\\Games Configuration\\Summoner 1";

// A folder read from the registry, reduced to "$" unless it holds the game's executable.
// The marker and an empty value are never tested against the disk: an empty folder would
// otherwise be checked against whatever the current directory happens to be.
std::string ValidatedFolder(const std::string& strFolder, const char* pszExecutable)
{
    if (strFolder.empty() || strFolder == GAME_MARKER_NONE)
        return GAME_MARKER_NONE;
    const std::string strWithSlash = AddTrailingBackslash(strFolder);
    if (!FileExists(strWithSlash + pszExecutable))
        return GAME_MARKER_NONE;
    return strWithSlash;
}

} // namespace

void DetectGameDirectories()
{
    const std::string strRedFactionOwn =
        ReadRegString(HKEY_LOCAL_MACHINE, RED_FACTION_KEY, "InstallPath", GAME_MARKER_NONE);
    const std::string strSummonerOwn =
        ReadRegString(HKEY_LOCAL_MACHINE, SUMMONER_APP_PATH_KEY, "Path", GAME_MARKER_NONE);
    const std::string strRedFactionShared =
        ReadRegString(HKEY_LOCAL_MACHINE, SHARED_RED_FACTION_KEY, "Path", GAME_MARKER_NONE);
    const std::string strSummonerShared =
        ReadRegString(HKEY_LOCAL_MACHINE, SHARED_SUMMONER_KEY, "Path", GAME_MARKER_NONE);

    const std::string strRedFaction = ValidatedFolder(strRedFactionOwn, "redfaction.exe");
    const std::string strSummoner = ValidatedFolder(strSummonerOwn, "summoner.exe");
    const bool bRedFactionSharedValid =
        ValidatedFolder(strRedFactionShared, "redfaction.exe") != GAME_MARKER_NONE;
    const bool bSummonerSharedValid =
        ValidatedFolder(strSummonerShared, "summoner.exe") != GAME_MARKER_NONE;

    if (!bRedFactionSharedValid && strRedFaction != GAME_MARKER_NONE)
        WriteRegString(HKEY_LOCAL_MACHINE, SHARED_RED_FACTION_KEY, "Path", strRedFaction);
    if (!bSummonerSharedValid && strSummoner != GAME_MARKER_NONE)
        WriteRegString(HKEY_LOCAL_MACHINE, SHARED_SUMMONER_KEY, "Path", strSummoner);
}

std::string GetGamePath(const std::string& strGame)
{
    return AddTrailingBackslash(
        ReadSharedString(std::string(GAMES_CONFIG_SUBKEY) + "\\" + strGame, "Path"));
}
