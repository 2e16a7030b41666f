// QuarnelDoc.cpp: the document's life cycle: new, load (VPP reader), store (VPP writer), save procedure.
// The entry operations are in QuarnelDocEntries.cpp.
#include "core/QuarnelDoc.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

#include "framework/base/MessageSink.h"

namespace {

bool IsSameVersion(const CFile& file, const CFileIdentity& identity)
{
    CFileIdentity now;
    return file.GetIdentity(now) && now == identity;
}

const char* const MSG_INVALID_SIGNATURE = "Unsupported file format (Invalid signature)!";
const char* const MSG_INVALID_VERSION = "Unsupported file format (Invalid version number)!";
const char* const MSG_TRUNCATED = "Unsupported file format (File is truncated)!";
const char* const MSG_INVALID_COUNT = "Unsupported file format (Invalid number of files)!";
const char* const MSG_INVALID_SIZE = "Unsupported file format (Invalid file size)!";
const char* const MSG_TOO_LARGE = "Unsupported file format (Archive larger than 2 GB)!";

std::string ArchiveChangedMessage(const std::string& strPath)
{
    return "The archive " + strPath +
           " was changed by another program since it was opened. It was not saved; open it again before "
           "making changes.";
}

std::string ReadOnlyMessage(const std::string& strPath) { return strPath + " is read-only. It was not changed."; }

std::string NoSideFileMessage(const std::string& strPath)
{
    return "No free name was found for the temporary file beside " + strPath + ". It was not changed.";
}

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
    m_nMembersLeftOut = 0;
    m_strReadArchive.clear();
    m_bHaveReadIdentity = false;
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
    m_nMembersLeftOut = static_cast<int64_t>(nCount) - nKept;
    // What the archive is now: a save or an extraction later reads members from it only while it is
    // still this file, unchanged.
    m_strReadArchive = strPath;
    m_bHaveReadIdentity = file.GetIdentity(m_readIdentity);
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

    // The archive read is opened once for all the members that stay in it, and used only while it
    // is still the file that was read: the rows hold offsets into that file.
    CFile readArchive;
    int nReadArchiveCode = COPY_RESULT_DONE;
    if (m_bHaveReadIdentity) {
        if (!readArchive.Open(m_strReadArchive, CFile::modeRead | CFile::shareDenyNone))
            nReadArchiveCode = COPY_RESULT_NO_SOURCE;
        else if (!IsSameVersion(readArchive, m_readIdentity))
            nReadArchiveCode = COPY_RESULT_ARCHIVE_CHANGED;
    }
    // One buffer of at most VPP_COPY_CHUNK bytes serves all members.
    std::vector<uint8_t> buffer;
    for (int32_t i = 0; i < m_nFileCount; i++) {
        const VppEntry& entry = m_entries[i];
        int nCode;
        if (m_bHaveReadIdentity && entry.m_bInArchive && entry.m_strSourcePath == m_strReadArchive)
            nCode = nReadArchiveCode < 0 ? nReadArchiveCode
                                         : CopyFromOpenSource(readArchive, entry.m_nOffset, file, entry.m_nSize, buffer);
        else
            nCode = CopyMember(entry.m_strSourcePath, entry.m_nOffset, file, entry.m_nSize, buffer);
        if (nCode < 0)
            m_strSaveFailureReport += entry.m_strName + "\r\n" + GetCopyResultText(nCode) + "\r\n\r\n";
        PadToBlockBoundary(file);
    }
    // Written to in place while its members were copied: what was copied may be a mixture.
    if (nReadArchiveCode == COPY_RESULT_DONE && readArchive.IsOpen() && !IsSameVersion(readArchive, m_readIdentity))
        m_strSaveFailureReport += m_strReadArchive + "\r\n" + GetCopyResultText(COPY_RESULT_ARCHIVE_CHANGED) + "\r\n\r\n";
    m_bSaveFailed = m_strSaveFailureReport.empty() ? 0 : 1;
}

bool CQuarnelDoc::ReplaceTarget(const std::string& strFrom, const std::string& strTo, CFileException* pError)
{
    return CFile::Replace(strFrom, strTo, pError);
}

bool CQuarnelDoc::IsArchiveUnchanged() const
{
    if (!m_bHaveReadIdentity)
        return true;
    bool bUsed = false;  // only rows still in the archive read need it
    for (int32_t i = 0; i < m_nFileCount && !bUsed; i++)
        bUsed = m_entries[i].m_bInArchive && m_entries[i].m_strSourcePath == m_strReadArchive;
    if (!bUsed)
        return true;
    CFile file;
    if (!file.Open(m_strReadArchive, CFile::modeRead | CFile::shareDenyNone))
        return CFile::PathExists(m_strReadArchive);  // gone counts as changed; held elsewhere the copy says so
    return IsSameVersion(file, m_readIdentity);
}

std::string CQuarnelDoc::ChooseSideFile(const std::string& strTarget, bool& bNew) const
{
    // The usual side file is target + ".try"; one left over from an earlier attempt is overwritten.
    // But never one that is a link, the target itself under another name, or the source of a member:
    // then a name that is not taken yet is used, and created new.
    const std::string strTry = strTarget + ".try";
    bool bUsable = !CFile::PathExists(strTry);
    if (!bUsable && !CFile::IsLink(strTry) && CFile::Exists(strTry) && !CFile::IsSameFile(strTry, strTarget)) {
        bUsable = true;
        std::unordered_map<std::string, bool> checked;
        for (int32_t i = 0; i < m_nFileCount && bUsable; i++) {
            const std::string& strSource = m_entries[i].m_strSourcePath;
            if (checked.emplace(strSource, true).second && CFile::IsSameFile(strTry, strSource))
                bUsable = false;
        }
    }
    if (bUsable) {
        bNew = false;
        return strTry;
    }
    for (int n = 2; n < 100; n++) {
        std::string strOther = strTry + std::to_string(n);
        if (!CFile::PathExists(strOther)) {
            bNew = true;
            return strOther;
        }
    }
    return std::string();
}

bool CQuarnelDoc::OnSaveDocument(const std::string& strTargetIn)
{
    // A failed save leaves the modified flag as it was: an unchanged archive stays unchanged.
    const bool bWasModified = IsModified();
    auto fail = [this, bWasModified] {
        SetModifiedFlag(bWasModified);
        UpdateAllViews(nullptr);
        return false;
    };
    m_bSaveFailed = 0;
    m_strSaveFailureReport.clear();
    const std::string strTarget = CFile::GetFullPath(strTargetIn);
    // Through a link, the file written and replaced is the one the link leads to; the link stays.
    const std::string strFile = CFile::ResolveLink(strTarget);

    // The rows still in the archive hold offsets into the file as it was read. Had another program
    // replaced it since, those offsets would copy the wrong bytes under the members' names.
    if (!IsArchiveUnchanged()) {
        AfxMessageBox(ArchiveChangedMessage(m_strReadArchive), QMB_OK | QMB_ICONEXCLAMATION);
        return fail();
    }

    // 1. An existing target is never written directly: the new archive goes to a side file. A target
    // that may not be written, or that another program holds, is refused before anything is written.
    const bool bTargetExists = CFile::PathExists(strFile);
    std::string strOutput = strFile;
    bool bNewSide = false;
    if (bTargetExists) {
        if (CFile::IsReadOnly(strFile)) {
            AfxMessageBox(ReadOnlyMessage(strFile), QMB_OK | QMB_ICONEXCLAMATION);
            return fail();
        }
        CFile test;
        CFileException error;
        if (!test.Open(strFile, CFile::modeRead | CFile::shareExclusive, &error)) {
            ReportFileError(error, true);
            return fail();
        }
        test.Close();
        strOutput = ChooseSideFile(strFile, bNewSide);
        if (strOutput.empty()) {
            AfxMessageBox(NoSideFileMessage(strFile), QMB_OK | QMB_ICONEXCLAMATION);
            return fail();
        }
    }

    // 2. The standard save into the output file, flushed to disk. The output stays open (and, on
    // POSIX, locked) until it has replaced the target, so that no other save can write into it.
    CFile output;
    {
        CFileException error;
        unsigned nFlags = CFile::modeReadWrite | CFile::shareExclusive | (bNewSide ? CFile::modeCreateNew : CFile::modeCreate);
        if (!output.Open(strOutput, nFlags, &error)) {
            ReportFileError(error, true);
            return fail();
        }
    }
    if (bTargetExists)
        output.CopyPermissionsFrom(strFile);  // the archive keeps its permissions, from the start
    bool bSaved = SaveIntoOpenFile(output) && !m_bSaveFailed;

    // 3. A failed save leaves the target as it was and no output file behind.
    if (!bSaved) {
#ifdef _WIN32
        output.Close();  // Windows deletes no open file
#endif
        CFile::Remove(strOutput);
        output.Close();
        return fail();
    }

    // 4. Replace the old archive in one step. On failure the complete new archive stays beside it.
    if (strOutput != strFile) {
#ifdef _WIN32
        output.Close();  // Windows moves no file that is open without delete sharing
#endif
        CFileException error;
        if (!ReplaceTarget(strOutput, strFile, &error)) {
            output.Close();
            ReportFileError(error, true);
            return fail();
        }
    }
    output.Close();
    SetModifiedFlag(false);

    // 5. Read the archive just written, so every row points into it. Should that fail, the rows
    // would still point at offsets of the replaced archive: start over with an empty document.
    bool bReopened = OpenDocumentFile(strTarget);
    if (!bReopened)
        OnNewDocument();

    // 6. Refresh the views either way.
    UpdateAllViews(nullptr);
    return bReopened;
}
