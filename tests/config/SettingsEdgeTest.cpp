// SettingsEdgeTest.cpp: settings cases earlier tests let through: a shared Red Faction folder
// against another valid own entry, string values stored without a terminator, and the
// recent-file list's registry section.
#include "config/GameDirectories.h"
#include "config/SettingsStore.h"
#include "framework/win/RecentFileList.h"
#include "framework/win/RegistryKey.h"
#include "tests/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace cfgtest;

namespace {

const std::string RF_OWN_KEY = "Software\\Volition\\Red Faction";
const std::string RF_SHARED_KEY = "Software\\Kestrin Network\\Games Configuration\\Red Faction 1";
const std::string TEST_SUBKEY = "\\Quarnel Test";
const std::string TEST_SHARED_KEY = "Software\\Kestrin Network\\Quarnel Test";
const std::string RECENT_KEY = "Software\\Kestrin Network\\Quarnel Test Recent";

// Stores UTF-16 text through the wide API with exactly the bytes given: no terminator is added,
// which is how another program can leave a value.
bool SetWideWithoutTerminator(const std::string& strPath, const char* pszName, const std::wstring& strText)
{
    HKEY hKey = NULL;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, strPath.c_str(), 0, NULL, 0, KEY_WRITE | KEY_WOW64_32KEY, NULL,
                        &hKey, NULL) != ERROR_SUCCESS)
        return false;
    const std::wstring strName(pszName, pszName + std::strlen(pszName));
    const LONG lResult = RegSetValueExW(hKey, strName.c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(strText.data()),
                                        static_cast<DWORD>(strText.size() * sizeof(wchar_t)));
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS;
}

class SettingsEdgeTest : public ::testing::Test
{
protected:
    CCleanRegistry m_registry;
    CScratchFolder m_folder;
};

} // namespace

TEST_F(SettingsEdgeTest, ValidSharedRedFactionFolderIsKeptAgainstAnotherValidOwnEntry)
{
    const std::string strShared = m_folder.MakeFolder("RF_Shared");
    const std::string strOwn = m_folder.MakeFolder("RF_Own");
    ASSERT_TRUE(WriteTextFile(strShared + "\\redfaction.exe", "MZ"));
    ASSERT_TRUE(WriteTextFile(strOwn + "\\redfaction.exe", "MZ"));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, RF_SHARED_KEY, "Path", strShared + "\\"));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, RF_OWN_KEY, "InstallPath", strOwn));

    DetectGameDirectories();
    std::string strValue;
    ASSERT_TRUE(GetString(HKEY_LOCAL_MACHINE, RF_SHARED_KEY, "Path", strValue));
    EXPECT_EQ(strShared + "\\", strValue);
    EXPECT_EQ(strShared + "\\", GetGamePath(GAME_RED_FACTION_1));
}

TEST_F(SettingsEdgeTest, StringsStoredWithoutTerminatorReadBackWhole)
{
    ASSERT_TRUE(SetWideWithoutTerminator(TEST_SHARED_KEY, "Short", L"E:\\Games\\RF"));
    EXPECT_EQ("E:\\Games\\RF", ReadSharedString(TEST_SUBKEY, "Short"));
    EXPECT_EQ("E:\\Games\\RF", ReadRegString(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, "Short", "default"));

    // The longest text the read buffer holds, with no zero after it anywhere in the value.
    const std::wstring strLongest(SETTINGS_READ_BUFFER - 1, L'q');
    ASSERT_TRUE(SetWideWithoutTerminator(TEST_SHARED_KEY, "Longest", strLongest));
    EXPECT_EQ(std::string(SETTINGS_READ_BUFFER - 1, 'q'), ReadSharedString(TEST_SUBKEY, "Longest"));

    // The framework's key reads such values whole as well.
    CRegistryKey key;
    std::string strValue;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, TEST_SHARED_KEY, KEY_READ | KEY_WOW64_32KEY));
    ASSERT_TRUE(key.QueryString("Short", strValue));
    EXPECT_EQ("E:\\Games\\RF", strValue);
}

TEST(RecentFileListTest, CaseOnlyDuplicatesTenthMnemonicAndNoStaleValues)
{
    CRegistryKey::DeleteTree(HKEY_CURRENT_USER, RECENT_KEY);
    CRecentFileList list(10);
    list.Add("C:\\Maps\\Level.vpp");
    list.Add("c:\\maps\\LEVEL.VPP");   // the same file, spelt in another case
    ASSERT_EQ(1u, list.GetSize());
    EXPECT_EQ("c:\\maps\\LEVEL.VPP", list[0]);

    for (int i = 1; i <= 9; ++i)
        list.Add("C:\\m" + std::to_string(i) + ".vpp");
    ASSERT_EQ(10u, list.GetSize());
    EXPECT_EQ("&1 C:\\m9.vpp", list.GetMenuText(0));
    EXPECT_EQ("&9 C:\\m1.vpp", list.GetMenuText(8));
    EXPECT_EQ("1&0 c:\\maps\\LEVEL.VPP", list.GetMenuText(9));

    list.WriteList(RECENT_KEY);
    list.Remove(9);
    list.Remove(0);
    list.WriteList(RECENT_KEY);

    CRecentFileList reread(10);
    reread.ReadList(RECENT_KEY);
    ASSERT_EQ(8u, reread.GetSize());
    EXPECT_EQ("C:\\m8.vpp", reread[0]);
    CRegistryKey key;
    std::string strValue;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, RECENT_KEY));
    EXPECT_TRUE(key.QueryString("File8", strValue));
    EXPECT_FALSE(key.QueryString("File9", strValue));    // no stale entry after the dropped ones
    EXPECT_FALSE(key.QueryString("File10", strValue));
    key.Close();
    CRegistryKey::DeleteTree(HKEY_CURRENT_USER, RECENT_KEY);
}
