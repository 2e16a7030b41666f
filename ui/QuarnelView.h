// QuarnelView.h: the archive's member list.
#pragma once
#include <vector>
#include "framework/win/View.h"
#include "ui/FileDropTarget.h"

class CQuarnelDoc;

/** @brief Report list of the archive's members: name, size and where the bytes are now. */
class CQuarnelView : public CView
{
public:
    enum Column { COL_NAME = 0, COL_SIZE = 1, COL_LOCATION = 2 };

    CQuarnelView() = default;
    ~CQuarnelView() override;

    bool Create(HWND hParent, UINT nID) override;
    void OnInitialUpdate() override;
    /// Refills the list from the document's table, in table order.
    void OnUpdate(CViewBase* pSender, long lHint, void* pHint) override;

    CQuarnelDoc* GetDocument() const;
    /// Number of selected rows, found by walking the list from the top.
    int CountSelectedItems() const;
    /// The table index of every selected row, from the top of the list in the order shown.
    std::vector<int> GetSelectedEntries() const;
    /// Sorts the rows by the text of one column, ascending, ignoring case.
    void SortByColumn(int nColumn);
    /// Adds the files of the last drop to the document (what WM_APP+1 does).
    void AddDroppedFiles();

    CFileDropTarget& GetDropTarget() { return m_dropTarget; }

protected:
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    bool OnChildNotify(NMHDR* pNmhdr, LRESULT* pResult) override;

private:
    void SetUpColumns();
    void ShowContextMenu(POINT ptClient);

    bool m_bColumnsReady = false;     // columns are made on the first fill, once
    CFileDropTarget m_dropTarget;
};
