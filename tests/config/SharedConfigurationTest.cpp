// SharedConfigurationTest.cpp: module registration and the Brel migration against the registry.
#include "config/SharedConfiguration.h"

#include "config/GameDirectories.h"
#include "config/SettingsStore.h"
#include "tests/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

using namespace cfgtest;

namespace {

const std::string REGISTRATION_KEY = "Software\\Kestrin Network\\Kestrin Manager Tools\\Kestrin Manager QUARNEL";
const std::string GAMES_KEY = "Software\\Kestrin Network\\Games Configuration";

const char* const s_migratedGames[16] = {
    "Kestrin 1 Demo", "Kestrin 1 OEM", "Kestrin 1", "Kestrin 2 Demo", "Kestrin 2 OEM", "Kestrin 2",
    "Kestrin 3 Demo", "Kestrin 3 OEM", "Kestrin 3", "FreeSpace 1 Demo", "FreeSpace 1 OEM",
    "FreeSpace 1", "FreeSpace 2 Demo", "FreeSpace 2", "Summoner 1 Demo", "Summoner 1",
};

std::string Registered(const char* pszName)
{
    std::string strValue;
    return GetString(HKEY_LOCAL_MACHINE, REGISTRATION_KEY, pszName, strValue) ? strValue : "<absent>";
}

DWORD RegisteredBuild()
{
    DWORD dwBuild = 0xFFFFFFFF;
    GetDword(HKEY_LOCAL_MACHINE, REGISTRATION_KEY, "Build", dwBuild);
    return dwBuild;
}

std::string GamePathValue(const std::string& strGame)
{
    std::string strValue;
    return GetString(HKEY_LOCAL_MACHINE, GAMES_KEY + "\\" + strGame, "Path", strValue) ? strValue : "<absent>";
}

bool MarkerSet()
{
    DWORD dwMarker = 0;
    return GetDword(HKEY_LOCAL_MACHINE, GAMES_KEY, "BrelMigration", dwMarker) && dwMarker == 1;
}

int WrittenGameCount()
{
    int nCount = 0;
    for (const char* pszGame : s_migratedGames)
        nCount += GamePathValue(pszGame) != "<absent>";
    return nCount;
}

TEST(ParseBuildNumberTest, NumberAfterFirstBuildWord)
{
    EXPECT_EQ(6, ParseBuildNumber("V1.0 Beta 02 (Build 06)"));
    EXPECT_EQ(107, ParseBuildNumber("Build 107"));
    EXPECT_EQ(12, ParseBuildNumber("V2 (Build   12 )"));
    EXPECT_EQ(3, ParseBuildNumber("Build 3 then Build 4"));
    EXPECT_EQ(0, ParseBuildNumber("V1.0 Beta 02"));
    EXPECT_EQ(0, ParseBuildNumber("build 5"));          // case matters
    EXPECT_EQ(0, ParseBuildNumber("Build5"));           // the blank belongs to the word
    EXPECT_EQ(0, ParseBuildNumber("Build x"));
    EXPECT_EQ(0, ParseBuildNumber(""));
    EXPECT_EQ(2147483647, ParseBuildNumber("Build 99999999999999999999"));
}

TEST(NormaliseExePathTest, ExtensionWrittenLowerCase)
{
    EXPECT_EQ("D:\\Tools\\QUARNEL.exe", NormaliseExePath("D:\\Tools\\QUARNEL.EXE"));
    EXPECT_EQ("QUARNEL.exe", NormaliseExePath("QUARNEL.EXE"));
    EXPECT_EQ("D:\\v1.2\\quarnel.exe", NormaliseExePath("D:\\v1.2\\quarnel"));
    EXPECT_EQ("C:\\a\\my.tool.exe", NormaliseExePath("C:\\a\\my.tool.exe"));
}

class SharedConfigurationTest : public ::testing::Test
{
protected:
    // Writes a Brel installation: brel.cfg naming a folder with brel.ini and kestrin.ini.
    std::string MakeBrel(const std::string& strKestrinIni, bool bBrelIni = true, bool bKestrinIni = true)
    {
        const std::string strBrel = m_folder.MakeFolder("Brel");
        if (bBrelIni)
        {
            EXPECT_TRUE(WriteTextFile(strBrel + "\\brel.ini", "[Brel]\n"));
        }
        if (bKestrinIni)
        {
            EXPECT_TRUE(WriteTextFile(strBrel + "\\kestrin.ini", strKestrinIni));
        }
        const std::string strCfg = m_folder / "brel.cfg";
        EXPECT_TRUE(WriteTextFile(strCfg, "[Directories]\r\nBrel3=" + strBrel + "\r\n"));
        return strCfg;
    }

    CCleanRegistry m_registry;
    CScratchFolder m_folder;
};

TEST_F(SharedConfigurationTest, RegistrationWithoutModuleFile)
{
    ASSERT_TRUE(WriteSharedString(TOOL_REGISTRATION_SUBKEY, "Version", "stale"));
    RegisterModule("D:\\Tools\\QUARNEL.EXE");
    EXPECT_EQ("D:\\Tools\\", Registered("Path"));
    EXPECT_EQ("D:\\Tools\\QUARNEL.exe", Registered("EXE"));
    EXPECT_EQ("QUARNEL.exe", Registered("EXEName"));
    EXPECT_EQ("", Registered("Version"));
    EXPECT_EQ("", Registered("Date"));
    EXPECT_EQ("", Registered("Coder"));
    EXPECT_EQ(0u, RegisteredBuild());

    RegisterModule("QUARNEL.EXE");
    EXPECT_EQ("", Registered("Path"));
    EXPECT_EQ("QUARNEL.exe", Registered("EXE"));
}

TEST_F(SharedConfigurationTest, RegistrationReadsModuleFileBesideTheExecutable)
{
    ASSERT_TRUE(WriteTextFile(m_folder / "qx_modul.dat",
                              "[Module]\r\nVers=V1.0 Beta 02 (Build 06)\r\nDate=1 May 2026\r\nCoder=Us\r\n"));
    RegisterModule(m_folder / "QUARNEL.EXE");
    EXPECT_EQ(m_folder.Path() + "\\", Registered("Path"));
    EXPECT_EQ(m_folder / "QUARNEL.exe", Registered("EXE"));
    EXPECT_EQ("V1.0 Beta 02 (Build 06)", Registered("Version"));
    EXPECT_EQ(6u, RegisteredBuild());
    EXPECT_EQ("1 May 2026", Registered("Date"));
    EXPECT_EQ("Us", Registered("Coder"));
}

// The test program sits beside the shipped qx_modul.dat, as the editor does.
TEST_F(SharedConfigurationTest, RefreshRegistersTheRunningProgramAndSetsTheMarker)
{
    RefreshSharedConfiguration();
    const std::string strExe = NormaliseExePath(GetRunningExePath());
    EXPECT_EQ(strExe, Registered("EXE"));
    EXPECT_EQ("V1.0 Beta 02 (Build 06)", Registered("Version"));
    EXPECT_EQ(6u, RegisteredBuild());
    EXPECT_NE("", Registered("Date"));
    EXPECT_NE("", Registered("Coder"));
    EXPECT_TRUE(MarkerSet());
}

TEST_F(SharedConfigurationTest, OnlyK2FullWritesAllSixteenRows)
{
    const std::string strCfg = MakeBrel("[Kestrin]\r\nK2Full=D:\\Games\\K2\r\n");
    MigrateBrelConfiguration(strCfg);
    EXPECT_TRUE(MarkerSet());
    for (const char* pszGame : s_migratedGames)
    {
        const std::string strGame = pszGame;
        const bool bKestrin2 = strGame == "Kestrin 2" || strGame == "Kestrin 2 Demo";
        EXPECT_EQ(bKestrin2 ? "D:\\Games\\K2" : "", GamePathValue(strGame)) << strGame;
    }
}

TEST_F(SharedConfigurationTest, EveryRowReadsItsOwnKey)
{
    const std::string strCfg = MakeBrel(
        "[Kestrin]\nK1Full=k1\nK1OEM=k1oem\nK2Full=k2\nK2OEM=k2oem\nK3Full=k3\nK3OEM=$\n"
        "[FreeSpace]\nFS1Demo=fs1d\nFS1OEM=fs1oem\nFS1Full=fs1\nFS2Demo=fs2d\nFS2Full=fs2\n"
        "[Summoner]\nS1Demo=s1d\nS1Full=E:\\Summoner\n");
    MigrateBrelConfiguration(strCfg);
    const char* const expected[16] = { "k1", "k1oem", "k1", "k2", "k2oem", "k2", "k3", "", "k3",
                                       "fs1d", "fs1oem", "fs1", "fs2d", "fs2", "s1d", "E:\\Summoner" };
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(expected[i], GamePathValue(s_migratedGames[i])) << s_migratedGames[i];
}

TEST_F(SharedConfigurationTest, MarkerStopsEveryLaterRun)
{
    const std::string strCfg = MakeBrel("[Kestrin]\nK1Full=k1\n");
    ASSERT_TRUE(WriteSharedInt(GAMES_CONFIG_SUBKEY, MIGRATION_MARKER_VALUE, 1));
    MigrateBrelConfiguration(strCfg);
    EXPECT_EQ(0, WrittenGameCount());
}

TEST_F(SharedConfigurationTest, IncompleteBrelInstallationsStopWithTheMarkerSet)
{
    struct Case { const char* pszName; bool bCfg, bBrelIni, bKestrinIni; const char* pszBrel3; };
    const Case cases[] = {
        { "no brel.cfg",     false, true,  true,  nullptr },
        { "no brel.ini",     true,  false, true,  nullptr },
        { "no kestrin.ini",  true,  true,  false, nullptr },
        { "Brel3 is $",      true,  true,  true,  "$" },
    };
    for (const Case& c : cases)
    {
        CCleanRegistry::Scrub();
        std::string strCfg = MakeBrel("[Kestrin]\nK1Full=k1\n", c.bBrelIni, c.bKestrinIni);
        if (!c.bCfg)
            DeleteFileA(strCfg.c_str());
        if (c.pszBrel3)
        {
            ASSERT_TRUE(WriteTextFile(strCfg, std::string("[Directories]\nBrel3=") + c.pszBrel3 + "\n"));
        }

        MigrateBrelConfiguration(strCfg);
        EXPECT_TRUE(MarkerSet()) << c.pszName;
        EXPECT_EQ(0, WrittenGameCount()) << c.pszName;

        // Completing the installation afterwards changes nothing: the attempt was made.
        MakeBrel("[Kestrin]\nK1Full=k1\n");
        MigrateBrelConfiguration(strCfg);
        EXPECT_EQ(0, WrittenGameCount()) << c.pszName;
        DeleteFolderTree(m_folder / "Brel");
    }
}

// Detection runs first and may just have recorded the Summoner folder.
TEST_F(SharedConfigurationTest, AbsentKeyDoesNotWipeARecordedFolder)
{
    ASSERT_TRUE(WriteSharedString("\\Games Configuration\\Summoner 1", "Path", "E:\\Summoner\\"));
    ASSERT_TRUE(WriteSharedString("\\Games Configuration\\FreeSpace 2", "Path", "F:\\FS2\\"));
    const std::string strCfg = MakeBrel("[FreeSpace]\nFS2Full=G:\\FS2\n");
    MigrateBrelConfiguration(strCfg);
    EXPECT_EQ("E:\\Summoner\\", GamePathValue("Summoner 1"));
    EXPECT_EQ("G:\\FS2", GamePathValue("FreeSpace 2"));
    EXPECT_EQ("", GamePathValue("Summoner 1 Demo"));
    EXPECT_EQ(16, WrittenGameCount());
}

TEST_F(SharedConfigurationTest, DefaultConfigFileIsOnDriveC)
{
    const std::string strBrel = m_folder.MakeFolder("Brel");
    ASSERT_TRUE(WriteTextFile(strBrel + "\\brel.ini", ""));
    ASSERT_TRUE(WriteTextFile(strBrel + "\\kestrin.ini", "[Summoner]\nS1Full=E:\\Summoner\n"));
    ASSERT_TRUE(WriteTextFile(BREL_CONFIG_FILE, "[Directories]\nBrel3=" + strBrel + "\\\n"));

    MigrateBrelConfiguration();
    DeleteFileA(BREL_CONFIG_FILE);
    EXPECT_EQ("E:\\Summoner", GamePathValue("Summoner 1"));
    EXPECT_EQ("E:\\Summoner\\", GetGamePath(GAME_SUMMONER_1));
}

} // namespace
