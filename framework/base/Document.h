// Document.h: the framework's document: path and title, modified flag, views, open and save into a file.
#pragma once

#include <string>
#include <vector>

#include "framework/base/File.h"

/** @brief Anything that shows a document and refreshes itself when told to. */
class CViewBase {
public:
    virtual ~CViewBase() = default;
    virtual void OnUpdate(CViewBase* pSender, long lHint, void* pHint) = 0;
};

/**
 * @brief Thrown by a document's Serialize after it has told the user why it refuses a file.
 *
 * It never leaves the framework: OnOpenDocument and OnSaveDocument catch it and fail quietly.
 */
class CUserException {};

/** @brief The framework's document class: the data behind the views and its open/save life cycle. */
class CDocument {
public:
    CDocument() = default;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;
    virtual ~CDocument();

    // DeleteContents, clear the path, title "Untitled", not modified.
    virtual bool OnNewDocument();
    // Opens the file for reading (others may read, not write), marks the document modified, empties
    // it and lets Serialize load it unless the file is empty, then clears the modified flag. File
    // errors are reported in the file error box. Does not set the path: OpenDocumentFile does.
    virtual bool OnOpenDocument(const std::string& strPath);
    // The standard save into a file: create or truncate, read-write without sharing, Serialize
    // store, flush to disk, close, clear the modified flag. File errors are reported in the box.
    virtual bool OnSaveDocument(const std::string& strPath);
    virtual void DeleteContents();
    virtual void Serialize(CFile& file, bool bStoring) = 0;
    // Why the last save failed, beyond what the file error box already said (for example which
    // parts of the document could not be written); empty when there is nothing to add.
    virtual std::string GetSaveFailureDetails() const { return std::string(); }

    // The whole open command: OnOpenDocument, then on success the path and title. When the file could
    // not even be opened the document stays as it was; when loading began and failed (a refused or
    // damaged file) the document is reset as by New. Returns success. A relative path is made full
    // first, so that a later change of the current folder cannot redirect the document.
    bool OpenDocumentFile(const std::string& strPath);

    // Keeps the full path (see OpenDocumentFile); also sets the title to the file-name part.
    void SetPathName(const std::string& strPath);
    const std::string& GetPathName() const { return m_strPathName; }
    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& strTitle) { m_strTitle = strTitle; }

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool bModified = true) { m_bModified = bModified; }

    void AddView(CViewBase* pView);
    void RemoveView(CViewBase* pView);
    void UpdateAllViews(CViewBase* pSender, long lHint = 0, void* pHint = nullptr);

    // The framework's file error message box: a clear text naming the file.
    static void ReportFileError(const CFileException& e, bool bSaving);
    static std::string GetFileErrorText(const CFileException& e, bool bSaving);

protected:
    // The middle of the standard save, for a file the caller has opened: Serialize store, then flush
    // to disk. Reports file errors in the box (and a lack of memory); the file stays open either way
    // (the caller decides when to close it: a lock may have to outlive a rename).
    bool SaveIntoOpenFile(CFile& file);

private:
    std::string m_strPathName;
    std::string m_strTitle = "Untitled";
    bool m_bModified = false;
    std::vector<CViewBase*> m_views;  // not owned
};
