// MenuText.cpp
#include "menu/MenuText.h"
#include <algorithm>

std::string MenuLabel(const std::string& strText)
{
    size_t nTab = strText.find('\t');
    return nTab == std::string::npos ? strText : strText.substr(0, nTab);
}

void PadAcceleratorTexts(std::vector<std::string>& arrTexts, const MenuTextWidthFn& fnWidth)
{
    int cxWidest = 0;
    for (const std::string& strText : arrTexts)
    {
        int cx = 0;
        if (fnWidth(MenuLabel(strText) + " ", cx))
            cxWidest = std::max(cxWidest, cx);
    }
    for (std::string& strText : arrTexts)
    {
        size_t nTab = strText.find('\t');
        if (nTab == std::string::npos)
            continue;
        std::string strLabel = strText.substr(0, nTab);
        int cxLast = -1;
        for (;;)
        {
            strLabel += ' ';
            int cx = 0;
            if (!fnWidth(strLabel, cx) || cx <= cxLast || cx >= cxWidest)
                break;
            cxLast = cx;
        }
        strText = strLabel + strText.substr(nTab);
    }
}

bool HasMnemonic(const std::string& strText, const std::string& strKey)
{
    if (strKey.empty())
        return false;
    for (size_t i = 0; i + 1 < strText.size(); ++i)
    {
        if (strText[i] != '&')
            continue;
        if (strText[i + 1] == '&')
        {
            ++i;   // "&&": a literal ampersand
            continue;
        }
        return strText.compare(i + 1, strKey.size(), strKey) == 0;
    }
    return false;
}
