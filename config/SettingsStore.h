// SettingsStore.h: persistent values in the registry and in ini files.
//
// Every call opens its key or file, does one read or one write and closes it again: no cache,
// so values the family's other tools change while we run are seen at the next read. Reads
// return their default on any failure; writes return whether the value was stored.
#pragma once

#include <windows.h>

#include <string>

// Registry layout. Sub-keys begin with a backslash and are appended to their root as they are.
inline constexpr char REG_COMPANY_KEY[] = "Kestrin Network";                 // framework registry key
inline constexpr char REG_APP_NAME[] = "Kestrin Manager QUARNEL";            // framework application name
inline constexpr char SHARED_ROOT_KEY[] = "Software\\Kestrin Network";       // HKLM (and HKCU root)
inline constexpr char APP_PROFILE_KEY[] = "Software\\Kestrin Network\\Kestrin Manager QUARNEL";  // HKCU
inline constexpr char SETTINGS_SUBKEY[] = "\\Kestrin Manager QUARNEL\\Settings";  // below SHARED_ROOT_KEY, HKCU
inline constexpr char SETTINGS_SECTION[] = "Settings";                      // profile section = settings key
inline constexpr char RECENT_FILE_SECTION[] = "Recent File List";            // profile section, "File%d"
inline constexpr char SETTING_LAST_EXTRACTION_FOLDER[] = "LastExtractionFolder";
inline constexpr char SETTING_DISABLE_XP_MENU_STYLE[] = "DisableXPMenuStyle";

inline constexpr char INI_ABSENT_MARKER[] = "$";
inline constexpr DWORD SETTINGS_READ_BUFFER = 8191;    // bytes, terminator included
inline constexpr DWORD SETTINGS_WRITE_BUFFER = 8192;   // bytes, zero-filled

// The games' installers and the family's other tools are 32-bit programs, so their keys under
// HKLM\Software live in the 32-bit view. Every open of the settings store adds this flag; the
// framework profile should use it too (it changes nothing under HKCU\Software).
inline constexpr REGSAM SETTINGS_REG_VIEW = KEY_WOW64_32KEY;

/** The key's text in the ini file, or "" when file, section or key is absent or the text is "$". */
std::string ReadIniString(const std::string& strSection, const std::string& strKey,
                          const std::string& strIniPath);

/** The path with one backslash at its end; an empty path stays empty. */
std::string AddTrailingBackslash(const std::string& strPath);

/** True when the file can be opened for reading with exclusive access. Directories, missing
    files and files another program holds open all count as absent. */
bool FileExists(const std::string& strPath);

/** HKLM, SHARED_ROOT_KEY + strSubKey: the stored text, or "". */
std::string ReadSharedString(const std::string& strSubKey, const std::string& strValueName);
/** HKLM, SHARED_ROOT_KEY + strSubKey: the stored REG_DWORD, or nDefault. */
int ReadSharedInt(const std::string& strSubKey, const std::string& strValueName, int nDefault);
bool WriteSharedString(const std::string& strSubKey, const std::string& strValueName,
                       const std::string& strText);
bool WriteSharedInt(const std::string& strSubKey, const std::string& strValueName, int nValue);

/** HKCU, the application settings key: the stored text, or strDefault. */
std::string ReadSetting(const std::string& strValueName, const std::string& strDefault);
bool WriteSetting(const std::string& strValueName, const std::string& strText);

/** Any hive and full key path: the stored text, or strDefault. */
std::string ReadRegString(HKEY hHive, const std::string& strKeyPath, const std::string& strValueName,
                          const std::string& strDefault);
bool WriteRegString(HKEY hHive, const std::string& strKeyPath, const std::string& strValueName,
                    const std::string& strText);
