// QuarnelDoc.cpp: the document's life cycle: new, load (VPP reader), store (VPP writer), save procedure.
// The entry operations are in QuarnelDocEntries.cpp.
#include "core/QuarnelDoc.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

#include "core/MemberNames.h"
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

std::string SideFileChangedMessage(const std::string& strSide, const std::string& strPath)
{
    return "The temporary file " + strSide + " was removed or replaced by another program while it was written. " +
           strPath + " was not changed.";
}

#ifndef _WIN32
std::string DanglingLinkMessage(const std::string& strPath)
{
    return strPath + " is a symbolic link to a file that does not exist. It was not changed.";
}
#endif

std::string MembersLeftOutMessage(const std::string& strPath, int64_t nLeftOut)
{
    return strPath + " holds more than " + std::to_string(VPP_MAX_FILES) + " members: saving over it would lose the " +
           std::to_string(nLeftOut) + " members beyond that. It was not changed; use Save As to save the loaded "
           "members under a new name.";
}

std::string NamesEqualOnceCutText(const std::string& strOther)
{
    return "Cut to " + std::to_string(VPP_NAME_LENGTH - 1) + " bytes, this name is the same as " + strOther + ".";
}

std::string NamesEqualOnceCutMessage(const std::string& strPath, const std::string& strName, const std::string& strOther)
{
    return strPath + " was not saved: cut to the " + std::to_string(VPP_NAME_LENGTH - 1) +
           " bytes a member name can have, two names would be the same: " + strOther + " and " + strName + ".";
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
    m_extractArchive.Close();
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
        OnMemberStored(i);
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
    CFileIdentity now;
    return CFile::GetPathIdentity(m_strReadArchive, now) && now == m_readIdentity;  // gone counts as changed
}

bool CQuarnelDoc::IsReadArchivePath(const std::string& strPath) const
{
    if (!m_bHaveReadIdentity)
        return false;
#ifdef _WIN32
    return LowerName(strPath) == LowerName(m_strReadArchive);
#else
    return strPath == m_strReadArchive;
#endif
}

bool CQuarnelDoc::RowsReadFromArchive() const
{
    for (int32_t i = 0; i < m_nFileCount; i++)
        if (m_entries[i].m_bInArchive && m_entries[i].m_strSourcePath == m_strReadArchive)
            return true;
    return false;
}

std::vector<std::pair<std::string, std::string>> CQuarnelDoc::FindNamesEqualOnceCut() const
{
    // Most tables have no name longer than the entry field holds: nothing can collide then.
    const size_t nKept = VPP_NAME_LENGTH - 1;
    bool bAnyLong = false;
    for (int32_t i = 0; i < m_nFileCount && !bAnyLong; i++)
        bAnyLong = m_entries[i].m_strName.size() > nKept;
    std::vector<std::pair<std::string, std::string>> pairs;
    if (!bAnyLong)
        return pairs;
    // Names that were equal (ignoring case) before the cut were two members of one name already;
    // only names that the cut makes equal are reported, each pair once.
    std::unordered_map<std::string, int32_t> firstOfCut;
    for (int32_t i = 0; i < m_nFileCount; i++) {
        const std::string& strName = m_entries[i].m_strName;
        auto inserted = firstOfCut.emplace(LowerName(strName.substr(0, nKept)), i);
        if (inserted.second)
            continue;
        const std::string& strOther = m_entries[inserted.first->second].m_strName;
        if (LowerName(strOther) != LowerName(strName))
            pairs.emplace_back(strName, strOther);
    }
    return pairs;
}

bool CQuarnelDoc::OpenSideFile(const std::string& strTarget, CFile& output, std::string& strSide)
{
    // The side file is always a file created new: a name left over from an earlier attempt is
    // removed first (removing a name never harms the file it leads to, a link or another name of
    // the archive included). Only when that name is a member's source, or cannot be removed (another
    // save is writing it), is the next free name used.
    CFileIdentity target;
    const bool bHaveTarget = CFile::GetPathIdentity(strTarget, target);
    std::unordered_map<std::string, bool> checked;
    auto isSource = [&](const std::string& strName) {
        for (int32_t i = 0; i < m_nFileCount; i++) {
            const std::string& strSource = m_entries[i].m_strSourcePath;
            if (strSource == strName ||
                (checked.emplace(strSource, true).second && CFile::IsSameFile(strName, strSource)))
                return true;
        }
        return false;
    };
    for (int n = 1; n < 100; n++) {
        strSide = strTarget + ".try" + (n > 1 ? std::to_string(n) : std::string());
        if (CFile::PathExists(strSide) && (isSource(strSide) || !CFile::RemoveUnlessInUse(strSide)))
            continue;
        CFileException error;
        if (!output.Open(strSide, CFile::modeCreateNew | CFile::modeReadWrite | CFile::shareExclusive, &error)) {
            if (error.m_cause == FileErrorCause::alreadyExists)
                continue;  // another program took the name meanwhile
            ReportFileError(error, true);
            return false;
        }
        // What was opened is checked before anything is written: a file of one name only, and not
        // the archive itself.
        CFileIdentity side;
        if (output.GetIdentity(side) && side.nLinks == 1 && !(bHaveTarget && side.IsSameFileAs(target)))
            return true;
        output.Close();
    }
    AfxMessageBox(NoSideFileMessage(strTarget), QMB_OK | QMB_ICONEXCLAMATION);
    return false;
}

bool CQuarnelDoc::OnOpenDocument(const std::string& strPath)
{
    if (!CDocument::OnOpenDocument(strPath))
        return false;
    // An empty file is not read by Load; it is the file a save over it must find unchanged all the same.
    if (!m_bHaveReadIdentity) {
        m_strReadArchive = strPath;
        m_bHaveReadIdentity = CFile::GetPathIdentity(strPath, m_readIdentity);
    }
    return true;
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
    auto refuse = [&fail](const std::string& strText) {
        AfxMessageBox(strText, QMB_OK | QMB_ICONEXCLAMATION);
        return fail();
    };
    m_bSaveFailed = 0;
    m_strSaveFailureReport.clear();
    m_extractArchive.Close();
    const std::string strTarget = CFile::GetFullPath(strTargetIn);
    // Through a link, the file written and replaced is the one the link leads to; the link stays.
    const std::string strFile = CFile::ResolveLink(strTarget);
#ifndef _WIN32
    if (CFile::IsLink(strFile))  // the link leads nowhere (or in a circle)
        return refuse(DanglingLinkMessage(strTarget));
#endif

    // Saving over the archive that was read: the members the load left out would be lost.
    const bool bOwnArchive = IsReadArchivePath(strTarget);
    if (bOwnArchive && m_nMembersLeftOut > 0)
        return refuse(MembersLeftOutMessage(strTarget, m_nMembersLeftOut));

    // The archive that was read is what a save over it may replace: when another program (another
    // save included) changed it since, its result would be lost, whether or not a row still reads
    // from it. And the rows still in it hold offsets into the file as it was read: copied from a
    // changed file, they would store the wrong bytes under the members' names.
    const bool bTargetExists = CFile::PathExists(strFile);
    if ((RowsReadFromArchive() || (bOwnArchive && bTargetExists)) && !IsArchiveUnchanged())
        return refuse(ArchiveChangedMessage(m_strReadArchive));

    // Names longer than the entry field are cut; two members must not become one name.
    const auto cut = FindNamesEqualOnceCut();
    if (!cut.empty()) {
        for (const auto& names : cut)
            m_strSaveFailureReport += names.first + "\r\n" + NamesEqualOnceCutText(names.second) + "\r\n\r\n";
        m_bSaveFailed = 1;
        return refuse(NamesEqualOnceCutMessage(strTarget, cut[0].first, cut[0].second));
    }

    // 1. An existing target is never written directly: the new archive goes to a side file. A target
    // that may not be written, or that another program holds, is refused before anything is written.
    CFile output;
    std::string strOutput = strFile;
    if (bTargetExists) {
        if (CFile::IsReadOnly(strFile))
            return refuse(ReadOnlyMessage(strFile));
        CFile test;
        CFileException error;
        if (!test.Open(strFile, CFile::modeRead | CFile::shareExclusive, &error)) {
            ReportFileError(error, true);
            return fail();
        }
        test.Close();
        if (!OpenSideFile(strFile, output, strOutput))
            return fail();
        output.CopyPermissionsFrom(strFile);  // the archive keeps its permissions and owner, from the start
    } else {
        // A file that appears meanwhile is not written over.
        CFileException error;
        if (!output.Open(strOutput, CFile::modeCreateNew | CFile::modeReadWrite | CFile::shareExclusive, &error)) {
            ReportFileError(error, true);
            return fail();
        }
    }

    // 2. The standard save into the output file, flushed to disk. The output stays open (and, on
    // POSIX, locked) until it has replaced the target, so that no other save can write into it.
    bool bSaved = SaveIntoOpenFile(output) && !m_bSaveFailed;

    // The side file must still be the file written under its name, and the target still the archive
    // read: both are checked again at the last moment, under the lock every save takes on the file
    // it replaces.
    CFile targetLock;
    if (bSaved && strOutput != strFile) {
        CFileIdentity written, named;
        if (!output.GetIdentity(written) || !CFile::GetPathIdentity(strOutput, named) || !named.IsSameFileAs(written)) {
            output.Close();  // not ours any more: left alone
            return refuse(SideFileChangedMessage(strOutput, strFile));
        }
#ifndef _WIN32
        if (targetLock.Open(strFile, CFile::modeRead | CFile::shareDenyNone))
            targetLock.LockForReplace();
#endif
        if (bOwnArchive && !IsArchiveUnchanged()) {
            AfxMessageBox(ArchiveChangedMessage(m_strReadArchive), QMB_OK | QMB_ICONEXCLAMATION);
            bSaved = false;
        }
    }

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
    targetLock.Close();
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
