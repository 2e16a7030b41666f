// QuarnelDocEntries.cpp: the document's entry operations, their result texts and the name index.
#include "core/QuarnelDoc.h"

#include <algorithm>
#include <climits>

#include "core/MemberNames.h"

namespace {

const char* const ARCHIVE_CHANGED_TEXT =
    "The archive was changed by another program since it was opened; open it again.";

}  // namespace

// Name index

void CQuarnelDoc::InvalidateNameIndex()
{
    m_bLowerIndexValid = false;
    m_bExactIndexValid = false;
}

void CQuarnelDoc::BuildLowerNameIndex()
{
    m_mapLowerName.clear();
    m_mapLowerName.reserve(static_cast<size_t>(m_nFileCount));
    for (int32_t i = 0; i < m_nFileCount; i++)
        m_mapLowerName[LowerName(m_entries[i].m_strName)] = i;  // later rows overwrite: the last one wins
    m_bLowerIndexValid = true;
}

void CQuarnelDoc::BuildExactNameIndex()
{
    m_mapExactName.clear();
    m_mapExactName.reserve(static_cast<size_t>(m_nFileCount));
    for (int32_t i = 0; i < m_nFileCount; i++)
        m_mapExactName[m_entries[i].m_strName] = i;
    m_bExactIndexValid = true;
}

int CQuarnelDoc::FindEntry(const std::string& strName)
{
    if (!m_bExactIndexValid)
        BuildExactNameIndex();
    auto it = m_mapExactName.find(strName);
    if (it != m_mapExactName.end() && it->second < m_nFileCount && m_entries[it->second].m_strName == strName)
        return it->second;
    if (it != m_mapExactName.end()) {  // the table was changed behind the index's back
        BuildExactNameIndex();
        it = m_mapExactName.find(strName);
        return it == m_mapExactName.end() ? -1 : it->second;
    }
    return -1;
}

int CQuarnelDoc::FindEntryNoCase(const std::string& strName)
{
    if (!m_bLowerIndexValid)
        BuildLowerNameIndex();
    std::string strLower = LowerName(strName);
    auto it = m_mapLowerName.find(strLower);
    if (it != m_mapLowerName.end() && it->second < m_nFileCount && LowerName(m_entries[it->second].m_strName) == strLower)
        return it->second;
    if (it != m_mapLowerName.end()) {
        BuildLowerNameIndex();
        it = m_mapLowerName.find(strLower);
        return it == m_mapLowerName.end() ? -1 : it->second;
    }
    return -1;
}

// Sizes

void CQuarnelDoc::UpdateTotalSize()
{
    m_nDataBlocks = 0;
    for (int32_t i = 0; i < m_nFileCount; i++)
        m_nDataBlocks += RoundUpToBlock(m_entries[i].m_nSize);
    ApplyTotalSize();
}

void CQuarnelDoc::ApplyTotalSize()
{
    int64_t nTotal = VppDataStart(m_nFileCount) + m_nDataBlocks;
    m_nTotalSize = static_cast<int32_t>(std::min<int64_t>(nTotal, INT32_MAX));  // AddFile keeps it below
}

// Operations

int CQuarnelDoc::AddFile(const std::string& strPathIn)
{
    if (strPathIn.empty())
        return ADD_RESULT_NOT_FOUND;
    // The row keeps the full path: a later change of the current folder must not redirect it.
    const std::string strPath = CFile::GetFullPath(strPathIn);
    uint64_t nLength = 0;
    {
        CFile file;
        CFileException error;
        if (!file.Open(strPath, CFile::modeRead | CFile::shareExclusive, &error)) {
            switch (error.m_cause) {
            case FileErrorCause::notRegularFile: return ADD_RESULT_NOT_A_FILE;
            case FileErrorCause::fileNotFound:
            case FileErrorCause::badPath: return ADD_RESULT_NOT_FOUND;
            default: return ADD_RESULT_NO_ACCESS;
            }
        }
        try {
            nLength = file.GetLength();
        } catch (const CFileException&) {
            return ADD_RESULT_NO_ACCESS;
        }
    }
#ifndef _WIN32
    // "\" separates the folders of a member name: a file whose own name holds it would become a
    // member of another name, or of none.
    if (strPath.find('\\', strPath.rfind('/') + 1) != std::string::npos)
        return ADD_RESULT_BACKSLASH_NAME;
#endif
    std::string strName = MemberNameFromPath(strPath);
    // The directory entry holds 59 bytes and a zero: a longer name would be cut at the next save,
    // and two long names could become one.
    if (strName.size() > VPP_NAME_LENGTH - 1)
        return ADD_RESULT_NAME_TOO_LONG;
    int nRow = FindEntryNoCase(strName);
    int nResult = ADD_RESULT_REPLACED;
    if (nRow < 0) {
        if (m_nFileCount >= VPP_MAX_FILES)
            return ADD_RESULT_TABLE_FULL;
        nRow = m_nFileCount;
        nResult = ADD_RESULT_ADDED;
    }

    // The sizes and offsets of the archive must stay within the signed 32-bit fields.
    int64_t nOldBlocks = nResult == ADD_RESULT_REPLACED ? RoundUpToBlock(m_entries[nRow].m_nSize) : 0;
    int64_t nNewTotal = VppDataStart(m_nFileCount + (nResult == ADD_RESULT_ADDED ? 1 : 0)) + m_nDataBlocks -
                        nOldBlocks + RoundUpToBlock(static_cast<int64_t>(nLength));
    if (nLength > static_cast<uint64_t>(INT32_MAX) || nNewTotal > INT32_MAX)
        return ADD_RESULT_TOO_LARGE;

    VppEntry& entry = m_entries[nRow];
    if (nResult == ADD_RESULT_ADDED) {
        m_nFileCount++;
        if (m_bLowerIndexValid)
            m_mapLowerName[LowerName(strName)] = nRow;
        if (m_bExactIndexValid)
            m_mapExactName[strName] = nRow;
    } else if (entry.m_strName != strName) {
        m_bExactIndexValid = false;  // the old spelling may now belong to an earlier row
    }
    entry.m_strName = strName;
    entry.m_nSize = static_cast<int32_t>(nLength);
    entry.m_bInArchive = 0;
    entry.m_nOffset = 0;
    entry.m_strSourcePath = strPath;

    m_nDataBlocks += RoundUpToBlock(static_cast<int64_t>(nLength)) - nOldBlocks;
    ApplyTotalSize();
    SetModifiedFlag(true);
    return nResult;
}

int CQuarnelDoc::RemoveFile(const std::string& strName)
{
    int nRow = FindEntry(strName);
    if (nRow < 0)
        return 0;
    std::move(&m_entries[nRow + 1], &m_entries[m_nFileCount], &m_entries[nRow]);
    m_nFileCount--;
    m_entries[m_nFileCount] = VppEntry();
    InvalidateNameIndex();
    UpdateTotalSize();  // a full pass, like the shift above
    SetModifiedFlag(true);
    return 1;
}

int CQuarnelDoc::RemoveFiles(const std::vector<std::string>& names, std::vector<int>* pResults)
{
    // Removing the last row of a name, then the last remaining one, and so on, removes the rows of
    // that name from the back. So: collect each requested name's rows, mark them from the back once
    // per request, then close the gaps in one pass keeping the order.
    std::unordered_map<std::string, std::vector<int>> rows;
    for (const std::string& strName : names)
        rows.emplace(strName, std::vector<int>());
    for (int32_t i = 0; i < m_nFileCount; i++) {
        auto it = rows.find(m_entries[i].m_strName);
        if (it != rows.end())
            it->second.push_back(i);
    }
    std::vector<bool> removed(static_cast<size_t>(m_nFileCount), false);
    int nRemoved = 0;
    if (pResults)
        pResults->assign(names.size(), 0);
    for (size_t n = 0; n < names.size(); n++) {
        std::vector<int>& list = rows[names[n]];
        if (list.empty())
            continue;
        removed[static_cast<size_t>(list.back())] = true;
        list.pop_back();
        nRemoved++;
        if (pResults)
            (*pResults)[n] = 1;
    }
    if (nRemoved == 0)
        return 0;
    RemoveMarkedRows(removed);
    return nRemoved;
}

int CQuarnelDoc::ExtractFile(const std::string& strName, const std::string& strFolder)
{
    int nRow = FindEntry(strName);
    if (nRow < 0)
        return EXTRACT_RESULT_NOT_FOUND;
    return ExtractEntry(nRow, strFolder);
}

namespace {

int ExtractCodeFor(const CFileException& error, const std::string& strDest)
{
    switch (error.m_cause) {
    case FileErrorCause::fileNotFound:
    case FileErrorCause::badPath: {
        // The nearest folder on the way that exists tells a missing folder from a file in its place.
        std::string strStep = strDest;
        for (size_t nSep; (nSep = FindLastOf(strStep, "\\/")) != std::string::npos && nSep > 0;) {
            strStep.resize(nSep);
            FileKind kind = CFile::GetKind(strStep);
            if (kind != FileKind::none)
                return kind == FileKind::folder || kind == FileKind::link ? EXTRACT_RESULT_NO_FOLDER
                                                                          : EXTRACT_RESULT_NOT_A_FOLDER;
        }
        return EXTRACT_RESULT_NO_FOLDER;
    }
    case FileErrorCause::sharingViolation: return EXTRACT_RESULT_IN_USE;
    case FileErrorCause::invalidName: return EXTRACT_RESULT_INVALID_NAME;
    default: return EXTRACT_RESULT_NO_DESTINATION;
    }
}

}  // namespace

int CQuarnelDoc::ExtractEntry(int nIndex, const std::string& strFolder)
{
    if (nIndex < 0 || nIndex >= m_nFileCount)
        return EXTRACT_RESULT_NOT_FOUND;
    const VppEntry& entry = m_entries[nIndex];
    if (!entry.m_bInArchive)
        return EXTRACT_RESULT_NOT_SAVED;
    if (!IsSafeMemberPath(entry.m_strName))
        return EXTRACT_RESULT_UNSAFE_NAME;

    std::string strDest = JoinExtractPath(strFolder, entry.m_strName);
    // The row's source is the archive last opened or saved; it must still be the file that was read.
    CFile single;
    CFile* pArchive = OpenExtractArchive(entry.m_strSourcePath, single);
    CFileIdentity archiveId;
    if (!pArchive || !pArchive->GetIdentity(archiveId))
        return EXTRACT_RESULT_NO_ARCHIVE;
    // A link at a sub-folder of the member's name would lead the file out of the folder (one at the
    // name itself is found when the name turns out to be taken).
    const std::vector<std::string> parts = SplitMemberPath(entry.m_strName);
    std::string strStep = strFolder;
    for (size_t i = 0; i + 1 < parts.size(); i++) {
        strStep = JoinExtractPath(strStep, parts[i]);
        if (CFile::IsLink(strStep))
            return EXTRACT_RESULT_LINK;
    }
    if (m_bHaveReadIdentity && entry.m_strSourcePath == m_strReadArchive && archiveId != m_readIdentity)
        return EXTRACT_RESULT_ARCHIVE_CHANGED;
    // A member that reaches past the end of the archive is not extracted at all.
    if (entry.m_nSize < 0 || entry.m_nOffset < 0 ||
        static_cast<uint64_t>(entry.m_nOffset) + static_cast<uint64_t>(entry.m_nSize) > archiveId.nSize)
        return EXTRACT_RESULT_ARCHIVE_SHORT;
    return WriteExtractedFile(*pArchive, archiveId, nIndex, strDest);
}

int CQuarnelDoc::CheckTakenDestination(const std::string& strDest, FileKind kind, const CFileIdentity& archiveId)
{
    // POSIX lets the archive itself be opened again and replaced; Windows refuses through sharing.
    CFileIdentity destId;
    if (kind == FileKind::file && CFile::GetPathIdentity(strDest, destId) && destId.IsSameFileAs(archiveId))
        return EXTRACT_RESULT_IS_ARCHIVE;
    switch (kind) {
    case FileKind::link: return EXTRACT_RESULT_LINK;
    case FileKind::folder: return EXTRACT_RESULT_FOLDER_IN_WAY;
    case FileKind::other: return EXTRACT_RESULT_NOT_A_FILE;  // never opened: a pipe would block
    default: break;
    }
    // A file the user may not write is not replaced either.
    if (CFile::IsReadOnly(strDest))
        return EXTRACT_RESULT_NO_DESTINATION;
    return EXTRACT_RESULT_DONE;
}

CFile* CQuarnelDoc::OpenExtractArchive(const std::string& strPath, CFile& single)
{
    // In a session the archive stays open from one member to the next; otherwise it is opened for
    // this member alone.
    if (m_nExtractSessions > 0 && m_extractArchive.IsOpen() && m_extractArchive.GetFilePath() == strPath)
        return &m_extractArchive;
    CFile& file = m_nExtractSessions > 0 ? m_extractArchive : single;
    if (!file.Open(strPath, CFile::modeRead | CFile::shareExclusive))
        return nullptr;
    return &file;
}

int CQuarnelDoc::WriteExtractedFile(CFile& archive, const CFileIdentity& archiveId, int nIndex, const std::string& strDest)
{
    // Whatever stands at the name is looked at before a byte is written (without opening it: a pipe
    // would block): nothing, the usual case, or a file to replace.
    const VppEntry& entry = m_entries[nIndex];
    FileKind kind = CFile::GetKind(strDest);
    if (kind != FileKind::none) {
        int nCode = CheckTakenDestination(strDest, kind, archiveId);
        if (nCode != EXTRACT_RESULT_DONE)
            return nCode;
    }
    // The member is written beside the destination and gets the member's name only once complete:
    // an interruption never leaves part of it under that name.
    CFile temp;
    CFileException openError;
    if (!temp.OpenTemporaryFor(strDest, &openError))
        return openError.m_cause == FileErrorCause::alreadyExists ? EXTRACT_RESULT_NO_DESTINATION
                                                                   : ExtractCodeFor(openError, strDest);

    int nCode = EXTRACT_RESULT_DONE;
    std::vector<uint8_t> buffer(std::min<size_t>(VPP_COPY_CHUNK, static_cast<size_t>(entry.m_nSize)));
    uint64_t nLeft = static_cast<uint64_t>(entry.m_nSize);
    try {
        archive.Seek(static_cast<uint64_t>(entry.m_nOffset));
    } catch (const CFileException&) {
        nCode = EXTRACT_RESULT_NO_ARCHIVE;
    }
    while (nCode == EXTRACT_RESULT_DONE && nLeft > 0) {
        size_t nPiece = static_cast<size_t>(std::min<uint64_t>(nLeft, buffer.size()));
        try {
            if (archive.Read(buffer.data(), nPiece) != nPiece) {
                nCode = EXTRACT_RESULT_ARCHIVE_SHORT;
                break;
            }
        } catch (const CFileException&) {
            nCode = EXTRACT_RESULT_NO_ARCHIVE;
            break;
        }
        try {
            temp.Write(buffer.data(), nPiece);
        } catch (const CFileException&) {
            nCode = EXTRACT_RESULT_WRITE_FAILED;
            break;
        }
        nLeft -= nPiece;
    }
    OnMemberStored(nIndex);
    // The archive is looked at again once the bytes are copied: written to meanwhile, it may have
    // given a mixture of two archives' bytes.
    CFileVersion after;
    if (nCode == EXTRACT_RESULT_DONE && (!archive.GetVersion(after) || !after.IsSameVersionAs(archiveId)))
        nCode = EXTRACT_RESULT_ARCHIVE_CHANGED;
    // The member's name: taken only where it is still free, unless a file stood there to be replaced.
    // One that appeared meanwhile is looked at as any file standing there.
    CFileException error;
    for (int nTry = 0; nCode == EXTRACT_RESULT_DONE && nTry < 2; nTry++) {
        const bool bReplace = kind != FileKind::none;
        if (bReplace)
            temp.CopyPermissionsFrom(strDest);  // a replaced file keeps them (and its owner where permitted)
        if (temp.MoveTo(strDest, bReplace, &error))
            break;
        nCode = ExtractCodeFor(error, strDest);
        if (!bReplace && error.m_cause == FileErrorCause::alreadyExists && (kind = CFile::GetKind(strDest)) != FileKind::none)
            nCode = CheckTakenDestination(strDest, kind, archiveId);
    }
    if (nCode != EXTRACT_RESULT_DONE) {
        temp.Discard();
        // With no older file of that name there is none to keep.
        return nCode == EXTRACT_RESULT_WRITE_FAILED && kind == FileKind::none ? EXTRACT_RESULT_WRITE_FAILED_NEW : nCode;
    }
    return EXTRACT_RESULT_DONE;
}

int CQuarnelDoc::CopyMemberData(const std::string& strSourcePath, int32_t nOffset, CFile& archive, int32_t nSize)
{
    std::vector<uint8_t> buffer;
    return CopyMember(strSourcePath, nOffset, archive, nSize, buffer);
}

int CQuarnelDoc::CopyMember(const std::string& strSourcePath, int32_t nOffset, CFile& archive, int32_t nSize,
                            std::vector<uint8_t>& buffer)
{
    CFile source;
    if (!source.Open(strSourcePath, CFile::modeRead | CFile::shareDenyNone))
        return COPY_RESULT_NO_SOURCE;
    return CopyFromOpenSource(source, nOffset, archive, nSize, buffer);
}

int CQuarnelDoc::CopyFromOpenSource(CFile& source, int32_t nOffset, CFile& archive, int32_t nSize,
                                    std::vector<uint8_t>& buffer, const CFileVersion* pExpected)
{
    // An offset of 0 is an outside file: it must still have the size it had when it was added.
    const bool bOutside = nOffset == 0;
    CFileVersion before;
    try {
        if (!source.GetVersion(before))
            return COPY_RESULT_READ_FAILED;
        if (pExpected && !before.IsSameVersionAs(*pExpected))
            return COPY_RESULT_SOURCE_CHANGED;
        if (bOutside && before.nSize != static_cast<uint64_t>(static_cast<int64_t>(nSize)))
            return COPY_RESULT_SIZE_CHANGED;
        // Never pad a member with zeros: bytes past the end of the source are a failure.
        if (nSize < 0 || nOffset < 0 || static_cast<uint64_t>(nOffset) + static_cast<uint64_t>(nSize) > before.nSize)
            return COPY_RESULT_SOURCE_SHORT;
        source.Seek(static_cast<uint64_t>(nOffset));
    } catch (const CFileException&) {
        return COPY_RESULT_READ_FAILED;
    }
    // In pieces of at most VPP_COPY_CHUNK bytes: memory stays bounded whatever the member's size.
    size_t nWant = std::min<size_t>(VPP_COPY_CHUNK, static_cast<size_t>(nSize));
    if (buffer.size() < nWant)
        buffer.resize(nWant);
    uint64_t nLeft = static_cast<uint64_t>(nSize);
    while (nLeft > 0) {
        size_t nPiece = static_cast<size_t>(std::min<uint64_t>(nLeft, buffer.size()));
        try {
            if (source.Read(buffer.data(), nPiece) != nPiece)
                return bOutside ? COPY_RESULT_SIZE_CHANGED : COPY_RESULT_SOURCE_SHORT;  // shrank meanwhile
        } catch (const CFileException&) {
            return COPY_RESULT_READ_FAILED;
        }
        archive.Write(buffer.data(), nPiece);  // a failure here ends the store: file layer
        nLeft -= nPiece;
    }
    // Written to while it was copied: what was copied may be a mixture of old and new bytes.
    CFileVersion after;
    if (!source.GetVersion(after) || !after.IsSameVersionAs(before))
        return COPY_RESULT_SOURCE_CHANGED;
    return COPY_RESULT_DONE;
}

// Result texts

std::string CQuarnelDoc::GetAddResultText(int nCode)
{
    switch (nCode) {
    case ADD_RESULT_ADDED: return "File successfully added.";
    case ADD_RESULT_REPLACED: return "File successfully replaced.";
    case ADD_RESULT_TABLE_FULL: return "VPP exceeds " + std::to_string(VPP_MAX_FILES) + " files.";
    case ADD_RESULT_NO_ACCESS: return "Could not access file. Please verify that it is not opened in another program.";
    case ADD_RESULT_TOO_LARGE: return "File too large (a VPP archive cannot exceed 2 GB).";
    case ADD_RESULT_NAME_TOO_LONG:
        return "File name too long (a member name can have at most " + std::to_string(VPP_NAME_LENGTH - 1) + " bytes).";
    case ADD_RESULT_NOT_A_FILE: return "Not a regular file (folders, pipes and devices cannot be added).";
    case ADD_RESULT_NOT_FOUND: return "No such file.";
    case ADD_RESULT_BACKSLASH_NAME:
        return "The file name holds \"\\\", which separates folders in a member name; rename the file.";
    default: return "Unknown error " + std::to_string(nCode) + ".";
    }
}

std::string CQuarnelDoc::GetExtractResultText(int nCode)
{
    switch (nCode) {
    case EXTRACT_RESULT_DONE: return "File successfully extracted.";
    case EXTRACT_RESULT_NOT_FOUND: return "Internal error (file reference not found in memory).";
    case EXTRACT_RESULT_NO_ARCHIVE: return "Error while trying to access the .VP file.";
    case EXTRACT_RESULT_NO_DESTINATION: return "Error while trying to save file (File/Directory access problem?).";
    case EXTRACT_RESULT_NOT_SAVED: return "Skipped since this file is not yet saved in a .VPP.";
    case EXTRACT_RESULT_UNSAFE_NAME: return "Skipped since the file name is not a safe relative path.";
    case EXTRACT_RESULT_NO_FOLDER: return "Error while trying to save file (the destination folder does not exist).";
    case EXTRACT_RESULT_WRITE_FAILED:
        return "Error while writing the file (is the disk full?); an existing file of that name was kept.";
    case EXTRACT_RESULT_IS_ARCHIVE: return "Skipped since the destination is the archive itself.";
    case EXTRACT_RESULT_LINK: return "Skipped since a symbolic link stands at the destination.";
    case EXTRACT_RESULT_ARCHIVE_CHANGED: return ARCHIVE_CHANGED_TEXT;
    case EXTRACT_RESULT_IN_USE: return "Error while trying to save file (it is in use by another program).";
    case EXTRACT_RESULT_ARCHIVE_SHORT: return "Error while reading the .VPP file (it ends before the member does).";
    case EXTRACT_RESULT_FOLDER_IN_WAY: return "Skipped since a folder of that name stands at the destination.";
    case EXTRACT_RESULT_WRITE_FAILED_NEW:
        return "Error while writing the file (is the disk full?); the partly written file was removed.";
    case EXTRACT_RESULT_INVALID_NAME:
        return "Error while trying to save file (the name holds characters that Windows does not allow in file names).";
    case EXTRACT_RESULT_NOT_A_FILE:
        return "Skipped since something other than a file (a pipe or a device) stands at the destination.";
    case EXTRACT_RESULT_NOT_A_FOLDER: return "Error while trying to save file (the destination is a file, not a folder).";
    default: return "Unknown error " + std::to_string(nCode) + ".";
    }
}

std::string CQuarnelDoc::GetCopyResultText(int nCode)
{
    switch (nCode) {
    case COPY_RESULT_DONE: return "File successfully copied.";
    case COPY_RESULT_NO_SOURCE: return "Error while trying to access source file.";
    case COPY_RESULT_SIZE_CHANGED: return "The file has changed size since it was added; add it again.";
    case COPY_RESULT_SOURCE_SHORT: return "Error while trying to read source file (it ends before the member does).";
    case COPY_RESULT_READ_FAILED: return "Error while reading source file.";
    case COPY_RESULT_ARCHIVE_CHANGED: return ARCHIVE_CHANGED_TEXT;
    case COPY_RESULT_SOURCE_CHANGED: return "The file was changed while it was copied; save again.";
    default: return "Unknown error " + std::to_string(nCode) + ".";
    }
}
