// DocTemplate.h: binds the one document, its frame and its view, and runs the document's commands.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include "framework/base/Document.h"
#include "framework/win/CmdTarget.h"

class CFrameWnd;
class CView;

/** @brief The single-document template: one document, frame and view reused by New and Open. */
class CSingleDocTemplate : public CCmdTarget
{
public:
    using DocFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<std::unique_ptr<CFrameWnd>()>;
    using ViewFactory = std::function<std::unique_ptr<CView>()>;

    /// The template string's fields, in order.
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

    CSingleDocTemplate(UINT nIDResource, DocFactory fnDoc, FrameFactory fnFrame, ViewFactory fnView);
    ~CSingleDocTemplate() override;

    /// Opens strPath, or makes a new document when it is empty. Creates the frame and view the
    /// first time. Returns false when the document could not be opened; a frame made for that
    /// attempt is destroyed again.
    bool OpenDocumentFile(const std::string& strPath, bool bMakeVisible = true);

    std::string GetDocString(DocStringIndex nIndex) const;
    CDocument* GetDocument() const { return m_pDocument.get(); }
    CFrameWnd* GetFrame() const { return m_pFrame.get(); }
    UINT GetResourceId() const { return m_nIDResource; }
    std::unique_ptr<CView> CreateView() const;
    /// Destroys the frame window (the objects stay until the template goes).
    void CloseFrame();

    // The document's commands, in the routing after the view.
    bool OnCmdMsg(UINT nID, int nCode, CCmdUI* pCmdUI) override;
    /// Offers to save a modified document: false when the user cancels or the save fails.
    bool SaveModified();
    bool DoFileSave();
    /// Saves under strPath, asking for a name first when it is empty.
    bool DoSave(const std::string& strPath);
    /// The standard file dialog for this template's archives; false when cancelled.
    bool DoPromptFileName(std::string& strFile, bool bOpen) const;

private:
    void InitialUpdateFrame(bool bMakeVisible);

    UINT m_nIDResource;
    std::string m_strDocStrings;
    DocFactory m_fnDoc;
    FrameFactory m_fnFrame;
    ViewFactory m_fnView;
    std::unique_ptr<CDocument> m_pDocument;
    std::unique_ptr<CFrameWnd> m_pFrame;
};
