// FormatNumber.cpp
#include "ui/FormatNumber.h"

std::string FormatNumber(int32_t nValue, bool bPadded)
{
    // Work on the magnitude in 64 bits so the smallest 32-bit value has a positive twin.
    int64_t nMagnitude = nValue < 0 ? -static_cast<int64_t>(nValue) : nValue;
    std::string strDigits = std::to_string(nMagnitude);

    std::string strResult;
    size_t nLength = strDigits.size();
    for (size_t i = 0; i < nLength; ++i)
    {
        // i counts from the right, starting at 0.
        if (i > 0 && i % 3 == 0)
            strResult.insert(strResult.begin(), '.');
        strResult.insert(strResult.begin(), strDigits[nLength - 1 - i]);
    }
    if (nValue < 0)
        strResult.insert(strResult.begin(), '-');

    if (bPadded)
    {
        size_t nSpaces = strResult.size() < 12 ? 12 - strResult.size() : 0;
        strResult.insert(0, 2 * nSpaces, ' ');
    }
    return strResult;
}
