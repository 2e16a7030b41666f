// QuarnelDocRows.cpp: entry operations that address rows by their table index.
#include "core/QuarnelDoc.h"

int CQuarnelDoc::RemoveEntries(const std::vector<int>& indexes)
{
    std::vector<bool> removed(static_cast<size_t>(m_nFileCount), false);
    int nRemoved = 0;
    for (int nIndex : indexes) {
        if (nIndex < 0 || nIndex >= m_nFileCount || removed[static_cast<size_t>(nIndex)])
            continue;
        removed[static_cast<size_t>(nIndex)] = true;
        nRemoved++;
    }
    if (nRemoved == 0)
        return 0;
    RemoveMarkedRows(removed);
    return nRemoved;
}

void CQuarnelDoc::RemoveMarkedRows(const std::vector<bool>& removed)
{
    // Close the gaps in one pass, keeping the order of the rows that stay.
    int32_t nOut = 0;
    for (int32_t i = 0; i < m_nFileCount; i++) {
        if (removed[static_cast<size_t>(i)])
            continue;
        if (nOut != i)
            m_entries[nOut] = std::move(m_entries[i]);
        nOut++;
    }
    for (int32_t i = nOut; i < m_nFileCount; i++)
        m_entries[i] = VppEntry();
    m_nFileCount = nOut;
    InvalidateNameIndex();
    UpdateTotalSize();
    SetModifiedFlag(true);
}
