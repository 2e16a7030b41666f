// FormatNumber.h: numbers as the list and the status bar show them.
#pragma once
#include <cstdint>
#include <string>

/// Decimal text with "." between groups of three digits, whatever the locale: 65536 gives
/// "65.536". Padded, the text is first filled with spaces in front to 12 characters and every
/// space is then doubled, so padded numbers sort by value as text (a space sorts before "."
/// and the digits). A minus sign stands before the grouped digits.
std::string FormatNumber(int32_t nValue, bool bPadded);
