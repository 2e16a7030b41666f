// ProgramVersion.h: the version a program carries in its own version resource.
#pragma once

#include <string>

/** @brief The texts of a program's version resource that the tool registration also holds. */
struct CProgramVersion
{
    std::string m_strVersion;   // "FileVersion", e.g. "V1.0 Beta 02 (Build 06)"
    int m_nBuild = 0;           // the build number in that text
    std::string m_strDate;      // "Date"
    std::string m_strCoder;     // "Coder"
};

/** Reads the version resource of the executable or library at strPath (its first language);
    false when it has none or no version text. */
bool ReadProgramVersion(const std::string& strPath, CProgramVersion& version);
