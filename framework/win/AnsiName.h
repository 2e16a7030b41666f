// AnsiName.h: file names handed over in UTF-16 (drops, the shell) made usable by the "A" API.
#pragma once
#include <windows.h>
#include <string>

/// Converts a UTF-16 name to the given code page. False when the name is empty or when the
/// code page cannot spell it exactly: a name that does not convert back to the same units
/// would name another file (or none). The check works for every code page, UTF-8 included,
/// where the "default character used" report of the conversion is not available.
bool WideToAnsiName(const wchar_t* pszName, size_t nLength, std::string& strOut, UINT nCodePage = CP_ACP);
