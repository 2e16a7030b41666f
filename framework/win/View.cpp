// View.cpp
#include "framework/win/View.h"
#include "framework/win/FrameWnd.h"

CView::~CView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

void CView::AttachDocument(CDocument* pDocument)
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
    m_pDocument = pDocument;
    if (m_pDocument)
        m_pDocument->AddView(this);
}

CFrameWnd* CView::GetParentFrame() const
{
    for (HWND hWnd = m_hWnd ? ::GetParent(m_hWnd) : nullptr; hWnd; hWnd = ::GetParent(hWnd))
    {
        if (CFrameWnd* pFrame = dynamic_cast<CFrameWnd*>(CWnd::FromHandle(hWnd)))
            return pFrame;
    }
    return nullptr;
}
