// ConfigTestSupport.h: direct registry access and scratch files for the config tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace cfgtest {

// Raw registry access in an explicit view (KEY_WOW64_32KEY or KEY_WOW64_64KEY), bypassing the
// settings store so the tests see what is really stored.
bool KeyExists(HKEY hHive, const std::string& strPath, REGSAM samView = KEY_WOW64_32KEY);
bool SetValue(HKEY hHive, const std::string& strPath, const std::string& strName, DWORD dwType,
              const void* pData, DWORD cbData, REGSAM samView = KEY_WOW64_32KEY);
bool SetString(HKEY hHive, const std::string& strPath, const std::string& strName,
               const std::string& strValue, REGSAM samView = KEY_WOW64_32KEY);
bool SetDword(HKEY hHive, const std::string& strPath, const std::string& strName, DWORD dwValue,
              REGSAM samView = KEY_WOW64_32KEY);
/** True and the text when a string value exists. */
bool GetString(HKEY hHive, const std::string& strPath, const std::string& strName,
               std::string& strOut, REGSAM samView = KEY_WOW64_32KEY);
bool GetDword(HKEY hHive, const std::string& strPath, const std::string& strName, DWORD& dwOut,
              REGSAM samView = KEY_WOW64_32KEY);
void DeleteTree(HKEY hHive, const std::string& strPath, REGSAM samView);

/** @brief Removes every key the config code reads or writes, in both views, on construction
    and again on destruction, so each test starts from a machine without them. */
class CCleanRegistry
{
public:
    CCleanRegistry() { Scrub(); }
    ~CCleanRegistry() { Scrub(); }
    static void Scrub();
};

/** @brief A fresh folder under the Windows temp folder, deleted with its content at the end. */
class CScratchFolder
{
public:
    CScratchFolder();
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const std::string& Path() const { return m_strPath; }     // ends without a backslash
    std::string operator/(const std::string& strName) const { return m_strPath + "\\" + strName; }
    /** Creates a sub-folder and returns its path (without a trailing backslash). */
    std::string MakeFolder(const std::string& strName) const;

private:
    std::string m_strPath;
};

bool WriteTextFile(const std::string& strPath, const std::string& strText);
void DeleteFolderTree(const std::string& strPath);

} // namespace cfgtest
