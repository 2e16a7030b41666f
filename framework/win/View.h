// View.h: a window that shows a document.
#pragma once
#include "framework/base/Document.h"
#include "framework/win/Wnd.h"

class CFrameWnd;

/** @brief Base of the views: a child window of the frame, told by its document when to refresh. */
class CView : public CWnd, public CViewBase
{
public:
    ~CView() override;

    /// Creates the view's window as a child of hParent with the given child id.
    virtual bool Create(HWND hParent, UINT nID) = 0;
    /// Called after every New and Open; the default refreshes the whole view.
    virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

    void AttachDocument(CDocument* pDocument);
    CDocument* GetDocument() const { return m_pDocument; }
    CFrameWnd* GetParentFrame() const;

protected:
    CDocument* m_pDocument = nullptr;   // not owned
};
