// QuarnelDoc.h: the archive document: the entry table, its load and store, the save procedure
// and the entry operations with their result codes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/VppFormat.h"
#include "framework/base/Document.h"

/** @brief One row of the entry table: a member and where its bytes are right now. */
struct VppEntry {
    std::string m_strName;        // member name, exactly as stored or as spelled in the added path
    int32_t m_nSize = 0;          // bytes
    std::string m_strSourcePath;  // the archive it was read from, or the added outside file
    int32_t m_nOffset = 0;        // data offset in m_strSourcePath; 0 for an outside file
    int32_t m_bInArchive = 0;     // 1: bytes are in a saved archive; 0: an added outside file

    // Empties the row; the texts keep their storage for the row's next use.
    void Clear()
    {
        m_strName.clear();
        m_strSourcePath.clear();
        m_nSize = m_nOffset = m_bInArchive = 0;
    }
};

// AddFile results
enum : int {
    ADD_RESULT_ADDED = 0,
    ADD_RESULT_REPLACED = 1,
    ADD_RESULT_TABLE_FULL = -1,
    ADD_RESULT_NO_ACCESS = -2,
    ADD_RESULT_TOO_LARGE = -3,  // the file or the archive would exceed the 32-bit size fields
    ADD_RESULT_NAME_TOO_LONG = -4,  // the name has more bytes than a directory entry holds (59)
    ADD_RESULT_NOT_A_FILE = -5,     // a folder, pipe or device
    ADD_RESULT_NOT_FOUND = -6,      // no file at the path (or no path at all)
    ADD_RESULT_BACKSLASH_NAME = -7, // (not on Windows) the file name holds "\", which separates folders in a member name
};

// ExtractFile results
enum : int {
    EXTRACT_RESULT_DONE = 0,
    EXTRACT_RESULT_NOT_FOUND = -1,
    EXTRACT_RESULT_NO_ARCHIVE = -2,  // the archive cannot be opened or read, or ends inside the member
    EXTRACT_RESULT_NO_DESTINATION = -3,
    EXTRACT_RESULT_NOT_SAVED = -4,
    EXTRACT_RESULT_UNSAFE_NAME = -5,  // the name would write outside the chosen folder
    EXTRACT_RESULT_NO_FOLDER = -6,    // the destination folder (or a sub-folder of the name) is missing
    EXTRACT_RESULT_WRITE_FAILED = -7, // writing failed part-way (a full disk); an older file is kept
    EXTRACT_RESULT_IS_ARCHIVE = -8,   // the destination is the archive itself
    EXTRACT_RESULT_LINK = -9,         // a symbolic link stands at the destination or on the way to it
    EXTRACT_RESULT_ARCHIVE_CHANGED = -10,  // another program changed the archive since it was read
    EXTRACT_RESULT_IN_USE = -11,      // the destination is held open by another program
    EXTRACT_RESULT_ARCHIVE_SHORT = -12,    // the archive ends before the member does
    EXTRACT_RESULT_FOLDER_IN_WAY = -13,    // a folder stands at the destination file's name
    EXTRACT_RESULT_WRITE_FAILED_NEW = -14, // writing a new file failed part-way (a full disk); it was removed
    EXTRACT_RESULT_INVALID_NAME = -15,     // the name holds characters the file system does not allow
    EXTRACT_RESULT_NOT_A_FILE = -16,       // a pipe or a device stands at the destination file's name
    EXTRACT_RESULT_NOT_A_FOLDER = -17,     // the destination folder (or a sub-folder of the name) is a file
};

// CopyMemberData results
enum : int {
    COPY_RESULT_DONE = 0,
    COPY_RESULT_NO_SOURCE = -1,
    COPY_RESULT_SIZE_CHANGED = -2,  // an outside file no longer has the size it had when added
    COPY_RESULT_SOURCE_SHORT = -3,  // an archive ends before the member's last byte
    COPY_RESULT_READ_FAILED = -4,   // reading the source failed
    COPY_RESULT_ARCHIVE_CHANGED = -5,  // another program changed the archive since it was read
    COPY_RESULT_SOURCE_CHANGED = -6,   // the source was changed while its bytes were copied
};

// Members are copied through a buffer of this size, never of the member's whole size.
constexpr size_t VPP_COPY_CHUNK = 1 << 20;

/** @brief The archive being edited: header fields and a fixed table of VPP_MAX_FILES entries. */
class CQuarnelDoc : public CDocument {
public:
    CQuarnelDoc();
    ~CQuarnelDoc() override;

    bool OnNewDocument() override;
    bool OnOpenDocument(const std::string& strPath) override;
    void Serialize(CFile& file, bool bStoring) override;
    // The save procedure: writes target + ".try" when the target exists, keeps the target untouched
    // on any failure, replaces it in one step once the new archive is on disk, re-opens it and
    // refreshes the views. On success the document's path is the target.
    bool OnSaveDocument(const std::string& strTarget) override;
    void DeleteContents() override;

    // Entry operations; rows are found by name, the last matching row wins.
    int AddFile(const std::string& strPath);         // ADD_RESULT_*; names compare ignoring case
    int RemoveFile(const std::string& strName);      // 1 removed, 0 no row of exactly that name
    // Same result as RemoveFile for each name in turn, in one pass over the table. Returns the number
    // of rows removed; pResults (optional) receives 1 or 0 per name.
    int RemoveFiles(const std::vector<std::string>& names, std::vector<int>* pResults = nullptr);
    int ExtractFile(const std::string& strName, const std::string& strFolder);  // EXTRACT_RESULT_*
    int ExtractEntry(int nIndex, const std::string& strFolder);                 // the row at nIndex
    int CopyMemberData(const std::string& strSourcePath, int32_t nOffset, CFile& archive, int32_t nSize);
    void UpdateTotalSize();

    // Index of the last row with exactly this name (or ignoring case), or -1.
    int FindEntry(const std::string& strName);
    int FindEntryNoCase(const std::string& strName);
    // After changing m_entries or m_nFileCount directly, call both, so that the name lookups and
    // the running size sum that AddFile keeps see the change.
    void InvalidateNameIndex();

    // Names and result texts of the members that the last store could not copy
    // (name, "\r\n", text, "\r\n\r\n" per member); empty after a good store.
    const std::string& GetSaveFailureReport() const { return m_strSaveFailureReport; }
    // The failure report, when the last save failed because members could not be copied.
    std::string GetSaveFailureDetails() const override { return m_bSaveFailed ? m_strSaveFailureReport : std::string(); }

    // Rows addressed by table index: the list's rows carry their index, so that two members of
    // the same name are told apart. Removes the rows at the given indexes (any order; repeats and
    // indexes outside the table are ignored) in one pass, keeping the order of the others.
    // Returns the number of rows removed. ExtractEntry above is the matching extraction.
    int RemoveEntries(const std::vector<int>& indexes);
    // Drops the rows marked in removed (one flag per row) in one pass, keeping the others' order.
    void RemoveMarkedRows(const std::vector<bool>& removed);

    static std::string GetAddResultText(int nCode);
    static std::string GetExtractResultText(int nCode);
    static std::string GetCopyResultText(int nCode);

    // Members beyond VPP_MAX_FILES that the last load left out (0 when all were read).
    int64_t GetMembersLeftOut() const { return m_nMembersLeftOut; }
    // True when the archive last read is still the file that was read: same file, size and last
    // write time (true when nothing was read; false when it is gone).
    bool IsArchiveUnchanged() const;

    // The table: VPP_MAX_FILES rows allocated with the document (on the heap, so that a document
    // can live anywhere); rows from m_nFileCount on are unused.
    std::unique_ptr<VppEntry[]> m_entries;
    int32_t m_nFileCount = 0;
    uint32_t m_nSignature = VPP_SIGNATURE;
    uint32_t m_nVersion = VPP_VERSION;
    int32_t m_nTotalSize = 0;
    int32_t m_bSaveFailed = 0;

    // Called first on every load (the application clears its splash-delay flag there).
    std::function<void()> m_fnOnLoadStarted;

protected:
    // Moves the finished ".try" file over the target; a seam for tests of a failing replace.
    virtual bool ReplaceTarget(const std::string& strFrom, const std::string& strTo, CFileException* pError);
    // Called after each member's bytes have been written: by the store, and by an extraction before
    // it checks the archive again. A seam for tests that change the archive or fail a write part-way.
    virtual void OnMemberStored(int32_t /*nIndex*/) {}

private:
    void Load(CFile& file);
    void Store(CFile& file);
    [[noreturn]] void RefuseFile(const std::string& strReason);
    void ApplyTotalSize();  // m_nTotalSize from m_nFileCount and m_nDataBlocks
    void BuildLowerNameIndex();
    void BuildExactNameIndex();
    int CopyMember(const std::string& strSourcePath, int32_t nOffset, CFile& archive, int32_t nSize,
                   std::vector<uint8_t>& buffer);
    // Copies nSize bytes from nOffset; COPY_RESULT_SOURCE_CHANGED when the source was not the expected
    // version (if given) before the copy, or changed while it lasted.
    int CopyFromOpenSource(CFile& source, int32_t nOffset, CFile& archive, int32_t nSize, std::vector<uint8_t>& buffer,
                           const CFileVersion* pExpected = nullptr);
    // The steps of the save procedure (QuarnelDoc.cpp).
    struct CSavePlan {
        std::string strTarget;  // the full path saved to
        std::string strFile;    // the file replaced: the target, or the file its link leads to
        std::string strOutput;  // where the new archive is written: strFile, or a side file beside it
        bool bOwnArchive = false;  // the target is the archive that was read
        bool bTargetExists = false;
    };
    bool PlanSave(const std::string& strTargetIn, CSavePlan& plan);
    bool OpenOutput(CSavePlan& plan, CFile& output);
    bool ConfirmOutput(const CSavePlan& plan, CFile& output, CFile& targetLock);
    bool ReplaceWithOutput(const CSavePlan& plan, CFile& output);
    bool OpenSideFile(const std::string& strTarget, CFile& output, std::string& strSide);
    void AddSaveFailure(const std::string& strName, int nCopyCode);
    // The end of the run of rows from nFirst on that lie one after the other in the archive read.
    int32_t ArchiveRunEnd(int32_t nFirst) const;
    // Copies the rows nFirst to nEnd - 1 of such a run, with zeros between them (COPY_RESULT_*).
    int CopyArchiveRun(CFile& source, int32_t nFirst, int32_t nEnd, CFile& archive, std::vector<uint8_t>& buffer);
    bool IsReadArchivePath(const std::string& strPath) const;
    bool RowsReadFromArchive() const;
    // Pairs of names (name, earlier name) that are different but equal once cut to the entry field.
    std::vector<std::pair<std::string, std::string>> FindNamesEqualOnceCut() const;
    CFile* OpenExtractArchive(const std::string& strPath, CFile& single);
    int WriteExtractedFile(CFile& archive, const CFileIdentity& archiveId, int nIndex, const std::string& strDest);
    static int CheckTakenDestination(const std::string& strDest, FileKind kind, const CFileIdentity& archiveId);

    int64_t m_nDataBlocks = 0;  // sum of RoundUpToBlock(size) over the rows in use
    std::string m_strSaveFailureReport;
    int64_t m_nMembersLeftOut = 0;

    // The archive the in-archive rows were read from, as it was when read.
    std::string m_strReadArchive;
    CFileIdentity m_readIdentity;
    bool m_bHaveReadIdentity = false;

    // The archive kept open while an extraction of several members lasts (see CExtractSession).
    friend class CExtractSession;
    int m_nExtractSessions = 0;
    CFile m_extractArchive;

    // Name lookups without scanning the table: lower-cased and exact name to the last row index.
    // Rebuilt lazily after a removal, a load or a direct change of the table.
    std::unordered_map<std::string, int> m_mapLowerName;
    std::unordered_map<std::string, int> m_mapExactName;
    bool m_bLowerIndexValid = false;
    bool m_bExactIndexValid = false;
};

/**
 * @brief Several extractions through one open archive file: while a session lives, ExtractEntry and
 * ExtractFile open the archive once instead of once per member. The file is closed when the last
 * session ends (and by a save or a load meanwhile).
 */
class CExtractSession {
public:
    explicit CExtractSession(CQuarnelDoc& doc) : m_doc(doc) { m_doc.m_nExtractSessions++; }
    ~CExtractSession()
    {
        if (--m_doc.m_nExtractSessions == 0)
            m_doc.m_extractArchive.Close();
    }
    CExtractSession(const CExtractSession&) = delete;
    CExtractSession& operator=(const CExtractSession&) = delete;

private:
    CQuarnelDoc& m_doc;
};
