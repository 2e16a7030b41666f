// QuarnelDoc.cpp: the document's life cycle: new, load (VPP reader), store (VPP writer), save procedure.
// The entry operations are in QuarnelDocEntries.cpp.
#include "core/QuarnelDoc.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

#include "core/MemberNames.h"
#include "framework/base/MessageSink.h"

namespace {

// The directory is read and written in pieces of this many entries: under Wine a buffer of the
// whole directory (4 MB) costs more to set up than the save of a large archive's data.
constexpr int32_t DIRECTORY_PIECE = 1024;

// "1 member", "2 members".
std::string CountOf(int64_t nCount, const char* pszThing)
{
    return std::to_string(nCount) + " " + pszThing + (nCount == 1 ? "" : "s");
}

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
           CountOf(nLeftOut, "member") + " beyond that. It was not changed; use Save As to save the loaded members "
           "under a new name.";
}

// One report of every pair (name, earlier name) that would become one name.
std::string NamesEqualOnceCutMessage(const std::string& strPath, const std::vector<std::pair<std::string, std::string>>& pairs)
{
    const size_t nListed = 20;
    std::string strText = strPath + " was not saved: cut to the " + std::to_string(VPP_NAME_LENGTH - 1) +
                          " bytes a member name can have, " +
                          (pairs.size() == 1 ? "two names would be the same: " : "names would be the same: ");
    for (size_t i = 0; i < pairs.size() && i < nListed; i++)
        strText += (i ? "; " : "") + pairs[i].second + " and " + pairs[i].first;
    if (pairs.size() > nListed)
        strText += "; and " + CountOf(static_cast<int64_t>(pairs.size() - nListed), "pair") + " more";
    return strText + ".";
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
    // The texts are emptied, not freed: the re-read that follows every save fills the same rows
    // again without allocating 65,536 of them anew.
    for (int32_t i = 0; i < m_nFileCount; i++)
        m_entries[i].Clear();
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
    std::vector<uint8_t> directory(VPP_ENTRY_SIZE * static_cast<size_t>(std::min(nKept, DIRECTORY_PIECE)));
    file.Seek(VPP_BLOCK_SIZE);

    const std::string& strPath = file.GetFilePath();
    int64_t nOffset = VppDataStart(nCount);
    for (int32_t i = 0; i < nKept; i++) {
        if (i % DIRECTORY_PIECE == 0) {
            const size_t nBytes = VPP_ENTRY_SIZE * static_cast<size_t>(std::min(nKept - i, DIRECTORY_PIECE));
            if (file.Read(directory.data(), nBytes) != nBytes)
                RefuseFile(MSG_TRUNCATED);
        }
        const uint8_t* pEntry = directory.data() + VPP_ENTRY_SIZE * static_cast<size_t>(i % DIRECTORY_PIECE);
        int32_t nSize = static_cast<int32_t>(ReadLE32(pEntry + VPP_NAME_LENGTH));
        if (nSize < 0)
            RefuseFile(MSG_INVALID_SIZE);
        if (nOffset + RoundUpToBlock(nSize) > INT32_MAX)
            RefuseFile(MSG_TOO_LARGE);
        VppEntry& entry = m_entries[i];
        entry.m_strName.assign(reinterpret_cast<const char*>(pEntry), EntryNameLength(pEntry));
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
                          " files. Saving over this file is refused; saving under a new name writes the first " +
                          std::to_string(VPP_MAX_FILES) + " files.",
                      QMB_OK | QMB_ICONEXCLAMATION);
    }
    InvalidateNameIndex();
    UpdateTotalSize();
}

void CQuarnelDoc::Store(CFile& file)
{
    m_strSaveFailureReport.clear();
    UpdateTotalSize();

    // Header block and directory are built in memory and written in a few calls; the bytes are the
    // same as field-by-field writes followed by PadToBlockBoundary.
    std::vector<uint8_t> block(VPP_BLOCK_SIZE, 0);
    WriteLE32(&block[0], m_nSignature);
    WriteLE32(&block[4], m_nVersion);
    WriteLE32(&block[8], static_cast<uint32_t>(m_nFileCount));
    WriteLE32(&block[12], static_cast<uint32_t>(m_nTotalSize));
    file.Seek(0);
    file.Write(block.data(), block.size());

    std::vector<uint8_t> directory(VPP_ENTRY_SIZE * static_cast<size_t>(std::min(m_nFileCount, DIRECTORY_PIECE)));
    for (int32_t nFirst = 0; nFirst < m_nFileCount; nFirst += DIRECTORY_PIECE) {
        const int32_t nCount = std::min(m_nFileCount - nFirst, DIRECTORY_PIECE);
        for (int32_t i = 0; i < nCount; i++) {
            uint8_t* pEntry = directory.data() + VPP_ENTRY_SIZE * static_cast<size_t>(i);
            WriteEntryName(pEntry, m_entries[nFirst + i].m_strName, VPP_NAME_LENGTH);
            WriteLE32(pEntry + VPP_NAME_LENGTH, static_cast<uint32_t>(m_entries[nFirst + i].m_nSize));
        }
        file.Write(directory.data(), VPP_ENTRY_SIZE * static_cast<size_t>(nCount));
    }
    PadToBlockBoundary(file);

    // The archive read is opened once for all the members that stay in it, and copied from only while
    // it is still the version that was read: the rows hold offsets into that file. Once it is not, the
    // save fails with one report naming the archive, not each of its members.
    CFile readArchive;
    int nReadArchiveCode = COPY_RESULT_DONE;
    if (m_bHaveReadIdentity && RowsReadFromArchive()) {
        if (!readArchive.Open(m_strReadArchive, CFile::modeRead | CFile::shareDenyNone))
            nReadArchiveCode = COPY_RESULT_NO_SOURCE;
        else if (!IsSameVersion(readArchive, m_readIdentity))
            nReadArchiveCode = COPY_RESULT_ARCHIVE_CHANGED;
    }
    // One buffer of at most VPP_COPY_CHUNK bytes serves all members.
    std::vector<uint8_t> buffer;
    for (int32_t i = 0; i < m_nFileCount;) {
        const VppEntry& entry = m_entries[i];
        int32_t nEnd = i + 1;
        if (!m_bHaveReadIdentity || !entry.m_bInArchive || entry.m_strSourcePath != m_strReadArchive) {
            int nCode = CopyMember(entry.m_strSourcePath, entry.m_nOffset, file, entry.m_nSize, buffer);
            if (nCode < 0)
                AddSaveFailure(entry.m_strName, nCode);
        } else if (nReadArchiveCode == COPY_RESULT_DONE) {
            nEnd = ArchiveRunEnd(i);
            int nCode = nEnd - i > 1 ? CopyArchiveRun(readArchive, i, nEnd, file, buffer)
                                     : CopyFromOpenSource(readArchive, entry.m_nOffset, file, entry.m_nSize, buffer,
                                                          &m_readIdentity);
            if (nCode == COPY_RESULT_SOURCE_CHANGED)
                nReadArchiveCode = COPY_RESULT_ARCHIVE_CHANGED;
            else if (nCode < 0)
                AddSaveFailure(entry.m_strName, nCode);
        }
        PadToBlockBoundary(file);
        for (; i < nEnd; i++)
            OnMemberStored(i);
    }
    // Written to in place after its last member was copied: the copies may still be a mixture.
    if (nReadArchiveCode == COPY_RESULT_DONE && readArchive.IsOpen() && !IsSameVersion(readArchive, m_readIdentity))
        nReadArchiveCode = COPY_RESULT_ARCHIVE_CHANGED;
    if (nReadArchiveCode < 0)
        AddSaveFailure(m_strReadArchive, nReadArchiveCode);
    m_bSaveFailed = m_strSaveFailureReport.empty() ? 0 : 1;
}

int32_t CQuarnelDoc::ArchiveRunEnd(int32_t nFirst) const
{
    // Rows that follow one another in the archive read, each within the file as it was read, lie in
    // the new archive one after the other just the same.
    int32_t nEnd = nFirst;
    int64_t nNext = m_entries[nFirst].m_nOffset;
    for (; nEnd < m_nFileCount; nEnd++) {
        const VppEntry& entry = m_entries[nEnd];
        if (!entry.m_bInArchive || entry.m_strSourcePath != m_strReadArchive || entry.m_nOffset != nNext ||
            entry.m_nSize < 0 || static_cast<uint64_t>(entry.m_nOffset) + static_cast<uint64_t>(entry.m_nSize) > m_readIdentity.nSize)
            break;
        nNext = entry.m_nOffset + RoundUpToBlock(entry.m_nSize);
    }
    return std::max(nEnd, nFirst + 1);
}

int CQuarnelDoc::CopyArchiveRun(CFile& source, int32_t nFirst, int32_t nEnd, CFile& archive, std::vector<uint8_t>& buffer)
{
    // Many small members are copied in a few large pieces instead of a few calls each. The bytes
    // between them are written as zeros, whatever the archive read holds there.
    const uint64_t nStart = static_cast<uint64_t>(m_entries[nFirst].m_nOffset);
    const uint64_t nStop = static_cast<uint64_t>(m_entries[nEnd - 1].m_nOffset) + static_cast<uint64_t>(m_entries[nEnd - 1].m_nSize);
    CFileVersion before;
    try {
        if (!source.GetVersion(before) || !before.IsSameVersionAs(m_readIdentity))
            return COPY_RESULT_SOURCE_CHANGED;
        source.Seek(nStart);
    } catch (const CFileException&) {
        return COPY_RESULT_READ_FAILED;
    }
    if (buffer.size() < VPP_COPY_CHUNK)
        buffer.resize(VPP_COPY_CHUNK);
    int32_t k = nFirst;  // the member whose padding comes next
    for (uint64_t nPos = nStart; nPos < nStop;) {
        const size_t nPiece = static_cast<size_t>(std::min<uint64_t>(buffer.size(), nStop - nPos));
        try {
            if (source.Read(buffer.data(), nPiece) != nPiece)
                return COPY_RESULT_SOURCE_CHANGED;  // it was long enough when read
        } catch (const CFileException&) {
            return COPY_RESULT_READ_FAILED;
        }
        const uint64_t nPieceEnd = nPos + nPiece;
        for (; k + 1 < nEnd; k++) {
            const uint64_t nPadStart = static_cast<uint64_t>(m_entries[k].m_nOffset) + static_cast<uint64_t>(m_entries[k].m_nSize);
            const uint64_t nPadEnd = static_cast<uint64_t>(m_entries[k + 1].m_nOffset);
            if (nPadStart >= nPieceEnd)
                break;
            const uint64_t nFrom = std::max(nPadStart, nPos), nTo = std::min(nPadEnd, nPieceEnd);
            if (nFrom < nTo)
                std::fill(buffer.begin() + static_cast<ptrdiff_t>(nFrom - nPos), buffer.begin() + static_cast<ptrdiff_t>(nTo - nPos), 0);
            if (nPadEnd > nPieceEnd)
                break;  // the rest of it is in the next piece
        }
        archive.Write(buffer.data(), nPiece);  // a failure here ends the store: file layer
        nPos = nPieceEnd;
    }
    CFileVersion after;
    if (!source.GetVersion(after) || !after.IsSameVersionAs(before))
        return COPY_RESULT_SOURCE_CHANGED;
    return COPY_RESULT_DONE;
}

void CQuarnelDoc::AddSaveFailure(const std::string& strName, int nCopyCode)
{
    m_strSaveFailureReport += strName + "\r\n" + GetCopyResultText(nCopyCode) + "\r\n\r\n";
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
    // The side file is always a file created new. A name left over from an earlier attempt is removed
    // first, but only a plain file of one name that no save is writing and no row reads; anything else
    // (a link, another name of some file, a member's source, another save's side file) is left as it
    // is, and the next free name used.
    CFileIdentity target;
    const bool bHaveTarget = CFile::GetPathIdentity(strTarget, target);
    auto isSource = [&](const std::string& strName) {
        // Each source compared with this name once, however many rows it has.
        std::unordered_map<std::string, bool> checked;
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
        // the archive itself. One that fails is removed again: it is ours (a racing save may have
        // replaced the archive meanwhile, and the file system given its number to this new file).
        CFileIdentity side;
        if (output.GetIdentity(side) && side.nLinks == 1 && !(bHaveTarget && side.IsSameFileAs(target)))
            return true;
        output.Discard();
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

bool CQuarnelDoc::OnSaveDocument(const std::string& strTarget)
{
    // A failed save leaves the modified flag as it was: an unchanged archive stays unchanged.
    const bool bWasModified = IsModified();
    m_bSaveFailed = 0;
    m_strSaveFailureReport.clear();
    m_extractArchive.Close();

    // 1. The refusals, then the output file; 2. the standard save into it, flushed to disk; 3. the
    // last-moment checks. The output stays open (and, on POSIX, locked) until it has replaced the
    // target, so that no other save can write into it. A failed save leaves the target as it was and
    // no output file behind.
    CSavePlan plan;
    CFile output, targetLock;
    bool bSaved = PlanSave(strTarget, plan) && OpenOutput(plan, output);
    if (bSaved) {
        bSaved = SaveIntoOpenFile(output) && !m_bSaveFailed && ConfirmOutput(plan, output, targetLock);
        if (!bSaved && output.IsOpen())
            output.Discard();
    }
    // 4. Replace the old archive in one step.
    bSaved = bSaved && ReplaceWithOutput(plan, output);
    output.Close();
    targetLock.Close();
    if (!bSaved) {
        SetModifiedFlag(bWasModified);
        UpdateAllViews(nullptr);
        return false;
    }
    SetModifiedFlag(false);

    // 5. Read the archive just written, so every row points into it. Should that fail, the rows
    // would still point at offsets of the replaced archive: start over with an empty document.
    bool bReopened = OpenDocumentFile(plan.strTarget);
    if (!bReopened)
        OnNewDocument();

    // 6. Refresh the views either way.
    UpdateAllViews(nullptr);
    return bReopened;
}

bool CQuarnelDoc::PlanSave(const std::string& strTargetIn, CSavePlan& plan)
{
    auto refuse = [](const std::string& strText) {
        AfxMessageBox(strText, QMB_OK | QMB_ICONEXCLAMATION);
        return false;
    };
    plan.strTarget = CFile::GetFullPath(strTargetIn);
    // Through a link, the file written and replaced is the one the link leads to; the link stays.
    plan.strFile = CFile::ResolveLink(plan.strTarget);
    plan.strOutput = plan.strFile;
#ifndef _WIN32
    if (CFile::IsLink(plan.strFile))  // the link leads nowhere (or in a circle)
        return refuse(DanglingLinkMessage(plan.strTarget));
#endif

    // Saving over the archive that was read: the members the load left out would be lost.
    plan.bOwnArchive = IsReadArchivePath(plan.strTarget);
    if (plan.bOwnArchive && m_nMembersLeftOut > 0)
        return refuse(MembersLeftOutMessage(plan.strTarget, m_nMembersLeftOut));

    // A target that may not be written is refused first: making it read-only counts as a change too.
    plan.bTargetExists = CFile::PathExists(plan.strFile);
    if (plan.bTargetExists && CFile::IsReadOnly(plan.strFile))
        return refuse(ReadOnlyMessage(plan.strFile));

    // The archive that was read is what a save over it may replace: when another program (another
    // save included) changed it since, its result would be lost, whether or not a row still reads
    // from it. And the rows still in it hold offsets into the file as it was read: copied from a
    // changed file, they would store the wrong bytes under the members' names.
    if ((RowsReadFromArchive() || (plan.bOwnArchive && plan.bTargetExists)) && !IsArchiveUnchanged())
        return refuse(ArchiveChangedMessage(m_strReadArchive));

    // Names longer than the entry field are cut; two members must not become one name. The message
    // names every pair: it is the whole report, no member failed to be copied.
    const auto cut = FindNamesEqualOnceCut();
    if (!cut.empty())
        return refuse(NamesEqualOnceCutMessage(plan.strTarget, cut));
    return true;
}

bool CQuarnelDoc::OpenOutput(CSavePlan& plan, CFile& output)
{
    CFileException error;
    if (!plan.bTargetExists) {
        // A file that appears meanwhile is not written over.
        if (output.Open(plan.strOutput, CFile::modeCreateNew | CFile::modeReadWrite | CFile::shareExclusive, &error))
            return true;
        ReportFileError(error, true);
        return false;
    }
    // An existing target is never written directly: the new archive goes to a side file. A target
    // that another program holds is refused before anything is written.
    CFile test;
    if (!test.Open(plan.strFile, CFile::modeRead | CFile::shareExclusive, &error)) {
        ReportFileError(error, true);
        return false;
    }
    test.Close();
    if (!OpenSideFile(plan.strFile, output, plan.strOutput))
        return false;
    output.CopyPermissionsFrom(plan.strFile);  // the archive keeps its permissions and owner, from the start
    return true;
}

bool CQuarnelDoc::ConfirmOutput(const CSavePlan& plan, CFile& output, CFile& targetLock)
{
    if (plan.strOutput == plan.strFile)
        return true;
    // The side file must still be the file written under its name, and the target still the archive
    // read: both are checked again at the last moment, under the lock every save takes on the file
    // it replaces.
    CFileIdentity written, named;
    if (!output.GetIdentity(written) || !CFile::GetPathIdentity(plan.strOutput, named) || !named.IsSameFileAs(written)) {
        output.Close();  // not ours any more: left alone
        AfxMessageBox(SideFileChangedMessage(plan.strOutput, plan.strFile), QMB_OK | QMB_ICONEXCLAMATION);
        return false;
    }
#ifndef _WIN32
    if (targetLock.Open(plan.strFile, CFile::modeRead | CFile::shareDenyNone))
        targetLock.LockForReplace();
#else
    (void)targetLock;
#endif
    if (plan.bOwnArchive && !IsArchiveUnchanged()) {
        AfxMessageBox(ArchiveChangedMessage(m_strReadArchive), QMB_OK | QMB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

bool CQuarnelDoc::ReplaceWithOutput(const CSavePlan& plan, CFile& output)
{
    if (plan.strOutput == plan.strFile)
        return true;
#ifdef _WIN32
    output.Close();  // Windows moves no file that is open without delete sharing
#else
    (void)output;    // stays open, and locked, until it has replaced the target
#endif
    // On failure the complete new archive stays beside the target.
    CFileException error;
    if (!ReplaceTarget(plan.strOutput, plan.strFile, &error)) {
        ReportFileError(error, true);
        return false;
    }
    // A power cut after "saved" must bring back neither the old archive nor none.
    CFile::SyncFolderOf(plan.strFile);
    return true;
}
