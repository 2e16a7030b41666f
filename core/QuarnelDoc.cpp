// QuarnelDoc.cpp: the document's life cycle: new, load (VPP reader), store (VPP writer), save procedure.
// The entry operations are in QuarnelDocEntries.cpp.
#include "core/QuarnelDoc.h"

#include <algorithm>
#include <climits>

#include "framework/base/MessageSink.h"

namespace {

const char* const MSG_INVALID_SIGNATURE = "Unsupported file format (Invalid signature)!";
const char* const MSG_INVALID_VERSION = "Unsupported file format (Invalid version number)!";
const char* const MSG_TRUNCATED = "Unsupported file format (File is truncated)!";
const char* const MSG_INVALID_COUNT = "Unsupported file format (Invalid number of files)!";
const char* const MSG_INVALID_SIZE = "Unsupported file format (Invalid file size)!";
const char* const MSG_TOO_LARGE = "Unsupported file format (Archive larger than 2 GB)!";

}  // namespace

CQuarnelDoc::CQuarnelDoc() : m_entries(new VppEntry[VPP_MAX_FILES]) {}

CQuarnelDoc::~CQuarnelDoc() = default;

bool CQuarnelDoc::OnNewDocument()
{
    if (!CDocument::OnNewDocument())
        return false;
    m_nFileCount = 0;
    m_nSignature = VPP_SIGNATURE;
    m_nVersion = VPP_VERSION;
    m_nTotalSize = 0;
    m_nDataBlocks = 0;
    return true;
}

void CQuarnelDoc::DeleteContents()
{
    for (int32_t i = 0; i < m_nFileCount; i++)
        m_entries[i] = VppEntry();
    m_nFileCount = 0;
    m_nTotalSize = 0;
    m_nDataBlocks = 0;
    InvalidateNameIndex();
}

void CQuarnelDoc::Serialize(CFile& file, bool bStoring)
{
    if (bStoring)
        Store(file);
    else
        Load(file);
}

void CQuarnelDoc::RefuseFile(const std::string& strReason)
{
    AfxMessageBox(strReason, QMB_OK | QMB_ICONEXCLAMATION);
    throw CUserException();
}

void CQuarnelDoc::Load(CFile& file)
{
    if (m_fnOnLoadStarted)
        m_fnOnLoadStarted();

    file.Seek(0);
    uint8_t header[VPP_HEADER_FIELDS_SIZE];
    size_t nHeader = file.Read(header, sizeof header);
    if (nHeader < 4 || ReadLE32(header) != VPP_SIGNATURE)
        RefuseFile(MSG_INVALID_SIGNATURE);
    if (nHeader < 8)
        RefuseFile(MSG_TRUNCATED);
    if (ReadLE32(header + 4) != static_cast<uint32_t>(VPP_VERSION))
        RefuseFile(MSG_INVALID_VERSION);
    if (nHeader < sizeof header)
        RefuseFile(MSG_TRUNCATED);
    int32_t nCount = static_cast<int32_t>(ReadLE32(header + 8));
    if (nCount < 0)
        RefuseFile(MSG_INVALID_COUNT);

    // Only the kept entries are read, but the data starts after the directory of all nCount entries.
    int32_t nKept = std::min(nCount, VPP_MAX_FILES);
    const uint64_t nLength = file.GetLength();
    const size_t nDirBytes = VPP_ENTRY_SIZE * static_cast<size_t>(nKept);
    if (nLength < VPP_BLOCK_SIZE + static_cast<uint64_t>(nDirBytes))
        RefuseFile(MSG_TRUNCATED);
    std::vector<uint8_t> directory(nDirBytes);
    file.Seek(VPP_BLOCK_SIZE);
    if (file.Read(directory.data(), nDirBytes) != nDirBytes)
        RefuseFile(MSG_TRUNCATED);

    const std::string& strPath = file.GetFilePath();
    int64_t nOffset = VppDataStart(nCount);
    for (int32_t i = 0; i < nKept; i++) {
        const uint8_t* pEntry = directory.data() + VPP_ENTRY_SIZE * static_cast<size_t>(i);
        int32_t nSize = static_cast<int32_t>(ReadLE32(pEntry + VPP_NAME_LENGTH));
        if (nSize < 0)
            RefuseFile(MSG_INVALID_SIZE);
        if (nOffset + RoundUpToBlock(nSize) > INT32_MAX)
            RefuseFile(MSG_TOO_LARGE);
        VppEntry& entry = m_entries[i];
        entry.m_strName = ReadEntryName(pEntry, VPP_NAME_LENGTH);
        entry.m_nSize = nSize;
        entry.m_strSourcePath = strPath;
        entry.m_nOffset = static_cast<int32_t>(nOffset);
        entry.m_bInArchive = 1;
        m_nFileCount = i + 1;  // so that a refusal further on clears what was filled
        nOffset += RoundUpToBlock(nSize);
    }

    m_nSignature = VPP_SIGNATURE;
    m_nVersion = VPP_VERSION;
    m_nFileCount = nKept;
    if (nCount > VPP_MAX_FILES) {
        AfxMessageBox("WARNING! This file has too many files (" + std::to_string(nCount) +
                          ") for QUARNEL to handle right. QUARNEL will only load the first " +
                          std::to_string(VPP_MAX_FILES) +
                          " files. If you save to the same file, all files beyond that will be lost.",
                      QMB_OK | QMB_ICONEXCLAMATION);
    }
    InvalidateNameIndex();
    UpdateTotalSize();
}

void CQuarnelDoc::Store(CFile& file)
{
    m_strSaveFailureReport.clear();
    UpdateTotalSize();

    // Header block and directory are built in memory and written in one call each; the bytes are
    // the same as field-by-field writes followed by PadToBlockBoundary.
    std::vector<uint8_t> block(VPP_BLOCK_SIZE, 0);
    WriteLE32(&block[0], m_nSignature);
    WriteLE32(&block[4], m_nVersion);
    WriteLE32(&block[8], static_cast<uint32_t>(m_nFileCount));
    WriteLE32(&block[12], static_cast<uint32_t>(m_nTotalSize));
    file.Seek(0);
    file.Write(block.data(), block.size());

    std::vector<uint8_t> directory(static_cast<size_t>(RoundUpToBlock(VPP_ENTRY_SIZE * m_nFileCount)), 0);
    for (int32_t i = 0; i < m_nFileCount; i++) {
        uint8_t* pEntry = directory.data() + VPP_ENTRY_SIZE * static_cast<size_t>(i);
        WriteEntryName(pEntry, m_entries[i].m_strName, VPP_NAME_LENGTH);
        WriteLE32(pEntry + VPP_NAME_LENGTH, static_cast<uint32_t>(m_entries[i].m_nSize));
    }
    file.Write(directory.data(), directory.size());
    PadToBlockBoundary(file);

    // One buffer serves all members; it grows to the largest member and is released at the end.
    std::vector<uint8_t> buffer;
    for (int32_t i = 0; i < m_nFileCount; i++) {
        const VppEntry& entry = m_entries[i];
        int nCode = CopyMember(entry.m_strSourcePath, entry.m_nOffset, file, entry.m_nSize, buffer);
        if (nCode < 0)
            m_strSaveFailureReport += entry.m_strName + "\r\n" + GetCopyResultText(nCode) + "\r\n\r\n";
        PadToBlockBoundary(file);
    }
    m_bSaveFailed = m_strSaveFailureReport.empty() ? 0 : 1;
}

bool CQuarnelDoc::ReplaceTarget(const std::string& strFrom, const std::string& strTo, CFileException* pError)
{
    return CFile::Replace(strFrom, strTo, pError);
}

bool CQuarnelDoc::OnSaveDocument(const std::string& strTarget)
{
    // 1. An existing target is never written directly: the new archive goes to target + ".try".
    std::string strOutput = strTarget;
    {
        CFile test;
        if (test.Open(strTarget, CFile::modeRead | CFile::shareExclusive))
            strOutput = strTarget + ".try";
    }
    const bool bOutputExisted = CFile::Exists(strOutput);

    // 2. The standard save into the output file (flushed to disk before it returns).
    m_bSaveFailed = 0;
    bool bSaved = CDocument::OnSaveDocument(strOutput) && !m_bSaveFailed;

    // 3. A failed save leaves the target as it was and no output file behind. The output is only
    // removed when it is a ".try" file or this save created it.
    if (!bSaved) {
        if (strOutput != strTarget || !bOutputExisted)
            CFile::Remove(strOutput);
        SetModifiedFlag(true);
        UpdateAllViews(nullptr);
        return false;
    }

    // 4. Replace the old archive in one step. On failure the complete new archive stays as ".try".
    if (strOutput != strTarget) {
        CFileException error;
        if (!ReplaceTarget(strOutput, strTarget, &error)) {
            ReportFileError(error, true);
            SetModifiedFlag(true);
            UpdateAllViews(nullptr);
            return false;
        }
    }

    // 5. Read the archive just written, so every row points into it. Should that fail, the rows
    // would still point at offsets of the replaced archive: start over with an empty document.
    bool bReopened = OpenDocumentFile(strTarget);
    if (!bReopened)
        OnNewDocument();

    // 6. Refresh the views either way.
    UpdateAllViews(nullptr);
    return bReopened;
}
