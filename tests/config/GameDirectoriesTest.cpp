// GameDirectoriesTest.cpp: detection of the game folders against real registry keys and files.
#include "config/GameDirectories.h"

#include "config/SettingsStore.h"
#include "tests/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

using namespace cfgtest;

namespace {

const std::string RF_OWN_KEY = "Software\\Volition\\Red Faction";
const std::string SUMMONER_OWN_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Summoner.exe";
const std::string RF_SHARED_KEY = "Software\\Kestrin Network\\Games Configuration\\Red Faction 1";
const std::string SUMMONER_SHARED_KEY = "Software\\Kestrin Network\\Games Configuration\\Summoner 1";

class GameDirectoriesTest : public ::testing::Test
{
protected:
    // A folder holding the named executable, returned without a trailing backslash.
    std::string GameFolder(const std::string& strName, const char* pszExe)
    {
        const std::string strFolder = m_folder.MakeFolder(strName);
        EXPECT_TRUE(WriteTextFile(strFolder + "\\" + pszExe, "MZ"));
        return strFolder;
    }

    std::string Shared(const std::string& strKey)
    {
        std::string strValue;
        return GetString(HKEY_LOCAL_MACHINE, strKey, "Path", strValue) ? strValue : "<absent>";
    }

    CCleanRegistry m_registry;
    CScratchFolder m_folder;
};

TEST_F(GameDirectoriesTest, OwnEntryFillsAnAbsentSharedValueWithBackslash)
{
    const std::string strRF = GameFolder("RF", "redfaction.exe");
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, RF_OWN_KEY, "InstallPath", strRF));

    DetectGameDirectories();
    EXPECT_EQ(strRF + "\\", Shared(RF_SHARED_KEY));
    EXPECT_EQ("<absent>", Shared(SUMMONER_SHARED_KEY));
    EXPECT_EQ(strRF + "\\", GetGamePath(GAME_RED_FACTION_1));
}

TEST_F(GameDirectoriesTest, ValidSharedValueIsNeverTouched)
{
    const std::string strShared = GameFolder("E_Summoner", "summoner.exe") + "\\";
    const std::string strOther = GameFolder("Other", "summoner.exe");
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, SUMMONER_SHARED_KEY, "Path", strShared));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, SUMMONER_OWN_KEY, "Path", strOther));

    DetectGameDirectories();
    EXPECT_EQ(strShared, Shared(SUMMONER_SHARED_KEY));
}

TEST_F(GameDirectoriesTest, StaleOrEmptySharedValueIsReplacedByValidOwnEntry)
{
    const std::string strStale = m_folder.MakeFolder("Stale") + "\\";     // no summoner.exe
    const std::string strSummoner = GameFolder("Summoner", "summoner.exe") + "\\";
    const std::string strRF = GameFolder("RF", "redfaction.exe");
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, SUMMONER_SHARED_KEY, "Path", strStale));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, SUMMONER_OWN_KEY, "Path", strSummoner));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, RF_SHARED_KEY, "Path", ""));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, RF_OWN_KEY, "InstallPath", strRF));

    DetectGameDirectories();
    EXPECT_EQ(strSummoner, Shared(SUMMONER_SHARED_KEY));
    EXPECT_EQ(strRF + "\\", Shared(RF_SHARED_KEY));
}

TEST_F(GameDirectoriesTest, NothingValidMeansNothingWritten)
{
    const std::string strStale = m_folder.MakeFolder("Stale");
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, RF_SHARED_KEY, "Path", strStale));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, RF_OWN_KEY, "InstallPath", m_folder / "Gone"));

    DetectGameDirectories();
    EXPECT_EQ(strStale, Shared(RF_SHARED_KEY));
    EXPECT_EQ(strStale + "\\", GetGamePath(GAME_RED_FACTION_1));     // lookups do not validate
    EXPECT_EQ("<absent>", Shared(SUMMONER_SHARED_KEY));
}

TEST_F(GameDirectoriesTest, NoGamesInstalledLeavesTheSharedAreaAlone)
{
    DetectGameDirectories();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Kestrin Network"));
    EXPECT_EQ("", GetGamePath(GAME_RED_FACTION_1));
    EXPECT_EQ("", GetGamePath(GAME_SUMMONER_1));
}

TEST_F(GameDirectoriesTest, RunningGameCountsAsNotInstalled)
{
    const std::string strRF = GameFolder("RF", "redfaction.exe");
    const std::string strSummoner = GameFolder("Summoner", "summoner.exe");
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, RF_OWN_KEY, "InstallPath", strRF));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, SUMMONER_OWN_KEY, "Path", strSummoner));

    HANDLE hRunning = CreateFileA((strRF + "\\redfaction.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hRunning);
    DetectGameDirectories();
    CloseHandle(hRunning);

    EXPECT_EQ("<absent>", Shared(RF_SHARED_KEY));
    EXPECT_EQ(strSummoner + "\\", Shared(SUMMONER_SHARED_KEY));
}

// An empty install entry must not be checked against the current directory.
TEST_F(GameDirectoriesTest, EmptyOwnEntryIsNeverValid)
{
    const std::string strRF = GameFolder("RF", "redfaction.exe");
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, RF_OWN_KEY, "InstallPath", ""));
    char szOldDir[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, szOldDir);
    ASSERT_TRUE(SetCurrentDirectoryA(strRF.c_str()));

    DetectGameDirectories();
    SetCurrentDirectoryA(szOldDir);
    EXPECT_EQ("<absent>", Shared(RF_SHARED_KEY));
}

TEST_F(GameDirectoriesTest, GetGamePathAddsTheBackslash)
{
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, RF_SHARED_KEY, "Path", "D:\\Games\\RF"));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, SUMMONER_SHARED_KEY, "Path", ""));
    EXPECT_EQ("D:\\Games\\RF\\", GetGamePath(GAME_RED_FACTION_1));
    EXPECT_EQ("", GetGamePath(GAME_SUMMONER_1));
}

} // namespace
