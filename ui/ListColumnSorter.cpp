// ListColumnSorter.cpp
#include "ui/ListColumnSorter.h"
#include <commctrl.h>
#include <mbstring.h>
#include <memory>
#include <string>
#include <vector>

namespace
{
/** One row's sort key and the item data it had before the sort. */
struct SortRecord
{
    LPARAM lOldData;
    std::string strText;
};

std::string GetItemText(HWND hList, int nItem, int nColumn)
{
    // Grow the buffer until the text fits: location texts hold full paths.
    std::vector<char> buf(MAX_PATH + 64);
    for (;;)
    {
        LVITEMA item = {};
        item.iSubItem = nColumn;
        item.pszText = buf.data();
        item.cchTextMax = static_cast<int>(buf.size());
        int nLen = static_cast<int>(::SendMessageA(hList, LVM_GETITEMTEXTA, nItem, reinterpret_cast<LPARAM>(&item)));
        if (nLen < static_cast<int>(buf.size()) - 1 || buf.size() > 65536)
            return std::string(buf.data());
        buf.resize(buf.size() * 2);
    }
}
}

int CALLBACK CListColumnSorter::CompareRows(LPARAM lParam1, LPARAM lParam2, LPARAM)
{
    const SortRecord* pA = reinterpret_cast<const SortRecord*>(lParam1);
    const SortRecord* pB = reinterpret_cast<const SortRecord*>(lParam2);
    return _mbsicmp(reinterpret_cast<const unsigned char*>(pA->strText.c_str()),
                    reinterpret_cast<const unsigned char*>(pB->strText.c_str()));
}

void CListColumnSorter::Sort(HWND hList, int nColumn)
{
    int nCount = static_cast<int>(::SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    std::vector<std::unique_ptr<SortRecord>> arrRecords;
    arrRecords.reserve(nCount);

    // Redraw stays off while the item data is swapped and sorted: a shown list repaints per
    // changed row otherwise (seconds for a full archive). A hidden list is left as it is.
    const bool bRedraw = ::IsWindowVisible(hList) != FALSE;
    if (bRedraw)
        ::SendMessageA(hList, WM_SETREDRAW, FALSE, 0);

    for (int i = 0; i < nCount; ++i)
    {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        ::SendMessageA(hList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        arrRecords.emplace_back(new SortRecord{ item.lParam, GetItemText(hList, i, nColumn) });
        item.lParam = reinterpret_cast<LPARAM>(arrRecords.back().get());
        ::SendMessageA(hList, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }

    ::SendMessageA(hList, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&CListColumnSorter::CompareRows));

    // Give every row its own item data back; the records go with the vector.
    for (int i = 0; i < nCount; ++i)
    {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        ::SendMessageA(hList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        item.lParam = reinterpret_cast<const SortRecord*>(item.lParam)->lOldData;
        ::SendMessageA(hList, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }

    if (bRedraw)
    {
        ::SendMessageA(hList, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(hList, nullptr, TRUE);
    }
}
