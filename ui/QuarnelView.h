// QuarnelView.h: the archive's member list.
#pragma once
#include <memory>
#include <vector>
#include "framework/win/View.h"
#include "menu/OwnerDrawMenu.h"
#include "ui/FileDropTarget.h"

class CQuarnelDoc;
class CMemberTransfer;
class CTransferFailureLog;

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
    /// The text a row of the table shows in a column ("" for a row the table no longer has).
    static std::string CellText(const CQuarnelDoc& doc, int nIndex, int nColumn);
    /// Adds the files of the last drop to the document (what WM_APP+1 does).
    void AddDroppedFiles();
    /// The frame moved to a screen of another DPI: the list's font and its column widths follow.
    void OnDpiChanged(int nOldDpi, int nNewDpi);
    /// Gives the list the font the system makes for a DPI.
    void SetFontForDpi(int nDpi);
    /// The DPI the list is laid out for: its frame's.
    int GetDpi() const;

    CFileDropTarget& GetDropTarget() { return m_dropTarget; }
    COwnerDrawMenu& GetContextMenu() { return m_contextMenu; }

    // Members handed out as files (QuarnelViewTransfer.cpp). Each row's item data is its index in
    // the document's table.
    /// A data object offering the selected members as files, or null without a selection. The
    /// caller releases it.
    IDataObject* CreateSelectionDataObject();
    /// Drags the selected members out of the list; pSource null: the mouse leads. Returns the effect.
    DWORD DragSelectedRows(IDropSource* pSource = nullptr);
    /// Puts the selected members on the clipboard.
    bool CopySelectionToClipboard();
    /// Every data object handed out so far fails its reads from now on; ours leaves the clipboard.
    void WithdrawTransfers();
    /// One message naming the members that could not be read, if there are any.
    void ShowTransferFailures();

    enum { WM_TRANSFER_FAILED = WM_APP + 0x12 };

protected:
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    bool OnChildNotify(NMHDR* pNmhdr, LRESULT* pResult) override;

private:
    void SetUpColumns();
    void ShowContextMenu(POINT ptClient);

    bool m_bColumnsReady = false;     // columns are made on the first fill, once
    HFONT m_hFont = nullptr;          // owned; only made once the list moved to another DPI
    COwnerDrawMenu m_contextMenu;     // loaded for each right click, destroyed when it closes
    CFileDropTarget m_dropTarget;

    bool TransfersOutdated() const;
    bool m_bShownModified = false;   // the document's modified flag at the last refill
    std::shared_ptr<CTransferFailureLog> m_pTransferLog;
    std::vector<std::weak_ptr<CMemberTransfer>> m_arrTransfers;   // drags and copies not yet released
    IDataObject* m_pClipboardData = nullptr;                      // what we last put on the clipboard
};
