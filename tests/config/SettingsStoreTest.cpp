// SettingsStoreTest.cpp: the settings store against the real (Wine) registry and real files.
#include "config/SettingsStore.h"
#include "framework/win/RegistryKey.h"

#include "tests/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

using namespace cfgtest;

namespace {

const std::string SETTINGS_KEY = "Software\\Kestrin Network\\Kestrin Manager QUARNEL\\Settings";
const std::string TEST_SUBKEY = "\\Quarnel Test";
const std::string TEST_SHARED_KEY = "Software\\Kestrin Network\\Quarnel Test";

class SettingsStoreTest : public ::testing::Test
{
protected:
    CCleanRegistry m_registry;
    CScratchFolder m_folder;
};

TEST_F(SettingsStoreTest, IniAbsentFileSectionKeyAndMarkerAllReadEmpty)
{
    const std::string strIni = m_folder / "test.ini";
    EXPECT_EQ("", ReadIniString("Module", "Vers", strIni));    // no file yet

    ASSERT_TRUE(WriteTextFile(strIni, "[Module]\r\nVers=V2 (Build 9)\r\nDollar=$\r\nEmpty=\r\n"
                                      "Prefixed=$x\n[Other]\nKey=other\n"));
    EXPECT_EQ("V2 (Build 9)", ReadIniString("Module", "Vers", strIni));
    EXPECT_EQ("", ReadIniString("Module", "Dollar", strIni));
    EXPECT_EQ("", ReadIniString("Module", "Empty", strIni));
    EXPECT_EQ("$x", ReadIniString("Module", "Prefixed", strIni));
    EXPECT_EQ("", ReadIniString("Module", "Missing", strIni));
    EXPECT_EQ("", ReadIniString("Missing", "Vers", strIni));
    EXPECT_EQ("other", ReadIniString("Other", "Key", strIni));
}

TEST_F(SettingsStoreTest, IniTextThatFillsTheBufferIsNotCut)
{
    const std::string strIni = m_folder / "long.ini";
    ASSERT_TRUE(WriteTextFile(strIni, "[S]\nLong=" + std::string(9000, 'a') + "\nShort=" +
                                      std::string(8000, 'b') + "\n"));
    EXPECT_EQ("", ReadIniString("S", "Long", strIni));
    EXPECT_EQ(std::string(8000, 'b'), ReadIniString("S", "Short", strIni));
}

TEST(AddTrailingBackslashTest, AddsExactlyOneUnlessEmpty)
{
    EXPECT_EQ("", AddTrailingBackslash(""));
    EXPECT_EQ("D:\\Games\\", AddTrailingBackslash("D:\\Games"));
    EXPECT_EQ("D:\\Games\\", AddTrailingBackslash("D:\\Games\\"));
    EXPECT_EQ("\\", AddTrailingBackslash("\\"));
}

TEST_F(SettingsStoreTest, FileExistsOnlyForFilesNobodyHoldsOpen)
{
    const std::string strFile = m_folder / "game.exe";
    EXPECT_FALSE(FileExists(strFile));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(m_folder.Path()));      // a directory

    ASSERT_TRUE(WriteTextFile(strFile, "MZ"));
    EXPECT_TRUE(FileExists(strFile));

    // A running program keeps its executable open for reading with read sharing.
    HANDLE hHeld = CreateFileA(strFile.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    EXPECT_FALSE(FileExists(strFile));
    CloseHandle(hHeld);
    EXPECT_TRUE(FileExists(strFile));
}

TEST_F(SettingsStoreTest, SettingReadOnFreshProfileGivesDefaultAndCreatesNoKey)
{
    EXPECT_EQ("", ReadSetting("LastExtractionFolder", ""));
    EXPECT_EQ("C:\\fallback", ReadSetting("LastExtractionFolder", "C:\\fallback"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Kestrin Network"));

    EXPECT_TRUE(WriteSetting("LastExtractionFolder", "D:\\out"));
    EXPECT_EQ("D:\\out", ReadSetting("LastExtractionFolder", ""));
}

TEST_F(SettingsStoreTest, SettingsAndFrameworkProfileShareOneKey)
{
    ASSERT_TRUE(WriteSetting("LastExtractionFolder", "D:\\out"));
    std::string strRaw;
    ASSERT_TRUE(GetString(HKEY_CURRENT_USER, std::string(APP_PROFILE_KEY) + "\\" + SETTINGS_SECTION,
                          "LastExtractionFolder", strRaw));
    EXPECT_EQ("D:\\out", strRaw);

    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, SETTINGS_KEY, "WrittenByProfile", "from profile"));
    EXPECT_EQ("from profile", ReadSetting("WrittenByProfile", "default"));
}

TEST_F(SettingsStoreTest, SharedIntDefaultsRoundTripAndRejectsOtherTypes)
{
    EXPECT_EQ(0, ReadSharedInt("\\Games Configuration", "BrelMigration", 0));
    EXPECT_EQ(7, ReadSharedInt("\\Games Configuration", "BrelMigration", 7));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Kestrin Network"));

    EXPECT_TRUE(WriteSharedInt("\\Games Configuration", "BrelMigration", 1));
    EXPECT_EQ(1, ReadSharedInt("\\Games Configuration", "BrelMigration", 0));
    EXPECT_TRUE(WriteSharedInt(TEST_SUBKEY, "Negative", -5));
    EXPECT_EQ(-5, ReadSharedInt(TEST_SUBKEY, "Negative", 0));

    // A two-byte string, or a REG_DWORD of two bytes, would fill only half of the number:
    // both the shared read and the registry wrapper give the default.
    const WORD wShort = 7;
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, "Text", "1"));
    ASSERT_TRUE(SetValue(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, "Build", REG_DWORD, &wShort, sizeof wShort));
    for (const char* pszName : {"Text", "Build"})
    {
        EXPECT_EQ(42, ReadSharedInt(TEST_SUBKEY, pszName, 42)) << pszName;
        CRegistryKey key;
        DWORD dwValue = 0;
        ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY.c_str(), KEY_QUERY_VALUE | KEY_WOW64_32KEY));
        EXPECT_FALSE(key.QueryDword(pszName, dwValue)) << pszName;
    }
}

TEST_F(SettingsStoreTest, SharedStringRoundTripAndAbsentValues)
{
    EXPECT_EQ("", ReadSharedString(TEST_SUBKEY, "Path"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Kestrin Network"));

    EXPECT_TRUE(WriteSharedString(TEST_SUBKEY + "\\Deeper\\Still", "Path", "E:\\Summoner\\"));
    EXPECT_EQ("E:\\Summoner\\", ReadSharedString(TEST_SUBKEY + "\\Deeper\\Still", "Path"));
    EXPECT_EQ("", ReadSharedString(TEST_SUBKEY + "\\Deeper\\Still", "Other"));

    EXPECT_TRUE(WriteSharedString(TEST_SUBKEY, "Empty", ""));
    EXPECT_EQ("", ReadSharedString(TEST_SUBKEY, "Empty"));
}

TEST_F(SettingsStoreTest, ValueLongerThanTheReadBufferReadsAsAbsent)
{
    const std::string strLong(9000, 'x');
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, "Long", strLong));
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, SETTINGS_KEY, "Long", strLong));
    EXPECT_EQ("", ReadSharedString(TEST_SUBKEY, "Long"));
    EXPECT_EQ("default", ReadSetting("Long", "default"));
    EXPECT_EQ("default", ReadRegString(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, "Long", "default"));
}

TEST_F(SettingsStoreTest, WritersStoreOnlyWhatCanBeReadBack)
{
    const std::string strLongest(SETTINGS_READ_BUFFER - 1, 'y');   // leaves room for the terminator
    EXPECT_TRUE(WriteSharedString(TEST_SUBKEY, "Longest", strLongest));
    EXPECT_EQ(strLongest, ReadSharedString(TEST_SUBKEY, "Longest"));

    ASSERT_TRUE(WriteSetting("Folder", "D:\\kept"));
    EXPECT_FALSE(WriteSetting("Folder", std::string(SETTINGS_READ_BUFFER, 'z')));
    EXPECT_FALSE(WriteSharedString(TEST_SUBKEY, "Longest", std::string(20000, 'z')));
    EXPECT_EQ("D:\\kept", ReadSetting("Folder", ""));
    EXPECT_EQ(strLongest, ReadSharedString(TEST_SUBKEY, "Longest"));
}

TEST_F(SettingsStoreTest, StoredDataWithoutTerminatorOrOfOtherTypes)
{
    ASSERT_TRUE(SetValue(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, "NoZero", REG_SZ, "abc", 3));
    EXPECT_EQ("abc", ReadSharedString(TEST_SUBKEY, "NoZero"));

    ASSERT_TRUE(SetDword(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, "Number", 0x41414141));
    EXPECT_EQ("", ReadSharedString(TEST_SUBKEY, "Number"));
    EXPECT_EQ("default", ReadRegString(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, "Number", "default"));
}

TEST_F(SettingsStoreTest, RegStringDefaultOnlyWhenAbsent)
{
    EXPECT_EQ("$", ReadRegString(HKEY_LOCAL_MACHINE, "Software\\Volition\\Red Faction", "InstallPath", "$"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Volition"));

    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, "Software\\Volition\\Red Faction", "InstallPath", ""));
    EXPECT_EQ("", ReadRegString(HKEY_LOCAL_MACHINE, "Software\\Volition\\Red Faction", "InstallPath", "$"));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, SETTINGS_KEY, "Any", "hive"));
    EXPECT_EQ("hive", ReadSetting("Any", ""));
}

// The family's 32-bit tools see HKLM\Software through the 32-bit view; so must we.
TEST_F(SettingsStoreTest, MachineValuesLiveInThe32BitView)
{
    ASSERT_TRUE(WriteSharedString(TEST_SUBKEY, "View", "written by us"));
    std::string strValue;
    ASSERT_TRUE(GetString(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, "View", strValue, KEY_WOW64_32KEY));
    EXPECT_EQ("written by us", strValue);
    EXPECT_FALSE(GetString(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, "View", strValue, KEY_WOW64_64KEY));

    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, "Software\\Volition\\Red Faction", "InstallPath",
                          "C:\\RF32", KEY_WOW64_32KEY));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, "Software\\Volition\\Red Faction", "InstallPath",
                          "C:\\RF64", KEY_WOW64_64KEY));
    EXPECT_EQ("C:\\RF32", ReadRegString(HKEY_LOCAL_MACHINE, "Software\\Volition\\Red Faction", "InstallPath", "$"));

    ASSERT_TRUE(SetDword(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, "Build", 32, KEY_WOW64_32KEY));
    ASSERT_TRUE(SetDword(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, "Build", 64, KEY_WOW64_64KEY));
    EXPECT_EQ(32, ReadSharedInt(TEST_SUBKEY, "Build", 0));
}

} // namespace
