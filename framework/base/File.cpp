// File.cpp
#include "framework/base/File.h"

#include <algorithm>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
FileErrorCause CauseFromOsError(long lError)
{
    switch (lError) {
    case ERROR_FILE_NOT_FOUND: return FileErrorCause::fileNotFound;
    case ERROR_INVALID_NAME: return FileErrorCause::invalidName;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_DRIVE: return FileErrorCause::badPath;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return FileErrorCause::accessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return FileErrorCause::sharingViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FileErrorCause::diskFull;
    case ERROR_HANDLE_EOF: return FileErrorCause::endOfFile;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return FileErrorCause::alreadyExists;
    default: return FileErrorCause::generic;
    }
}

long LastOsError() { return static_cast<long>(GetLastError()); }
#else
FileErrorCause CauseFromOsError(long lError)
{
    switch (lError) {
    case ENOENT: return FileErrorCause::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EISDIR: return FileErrorCause::badPath;
    case EACCES:
    case EPERM:
    case EROFS: return FileErrorCause::accessDenied;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK: return FileErrorCause::sharingViolation;  // the lock of another writer
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return FileErrorCause::diskFull;
    case EEXIST: return FileErrorCause::alreadyExists;
    case ELOOP:
    case ENXIO: return FileErrorCause::notRegularFile;
    default: return FileErrorCause::generic;
    }
}

long LastOsError() { return static_cast<long>(errno); }
#endif

void SetError(CFileException* pError, long lOsError, const std::string& strPath)
{
    if (pError)
        *pError = CFileException(CauseFromOsError(lOsError), lOsError, strPath);
}

}  // namespace

CFile::~CFile() { Close(); }

CFile::CFile(CFile&& other) noexcept { *this = std::move(other); }

CFile& CFile::operator=(CFile&& other) noexcept
{
    if (this != &other) {
        Close();
#ifdef _WIN32
        m_hFile = std::exchange(other.m_hFile, nullptr);
        m_nVolume = other.m_nVolume;
        m_nIndex = other.m_nIndex;
        m_bHaveIndex = std::exchange(other.m_bHaveIndex, false);
#else
        m_fd = std::exchange(other.m_fd, -1);
#endif
        m_strPath = std::move(other.m_strPath);
    }
    return *this;
}

void CFile::ThrowLastError() const
{
    long lError = LastOsError();
    throw CFileException(CauseFromOsError(lError), lError, m_strPath);
}

// The n-th name a file on its way to strDest may have beside it: ".part", ".part1", ...
static std::string PartName(const std::string& strDest, int n)
{
    return strDest + ".part" + (n ? std::to_string(n) : std::string());
}

bool CFile::OpenPartFile(const std::string& strDest, CFileException* pError)
{
    for (int n = 0; n < 100; n++) {
        CFileException error;
        if (Open(PartName(strDest, n), modeCreateNew | modeWrite, &error))
            return true;
        if (error.m_cause != FileErrorCause::alreadyExists) {
            if (pError)
                *pError = CFileException(error.m_cause, error.m_lOsError, strDest);
            return false;
        }
    }
    if (pError)
        *pError = CFileException(FileErrorCause::alreadyExists, 0, strDest);
    return false;
}

#ifdef _WIN32

bool CFile::Open(const std::string& strPath, unsigned nOpenFlags, CFileException* pError)
{
    Close();
    DWORD dwAccess = GENERIC_READ;
    switch (nOpenFlags & 0x3) {
    case modeWrite: dwAccess = GENERIC_WRITE; break;
    case modeReadWrite: dwAccess = GENERIC_READ | GENERIC_WRITE; break;
    default: break;
    }
    DWORD dwShare = 0;
    if (nOpenFlags & shareDenyWrite)
        dwShare = FILE_SHARE_READ;
    else if (nOpenFlags & shareDenyNone)
        dwShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD dwCreate = (nOpenFlags & modeCreateNew) ? CREATE_NEW : (nOpenFlags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    // A file created new may be renamed or removed through its handle (MoveTo, Discard).
    if (nOpenFlags & modeCreateNew)
        dwAccess |= DELETE;
    HANDLE h = CreateFileA(strPath.c_str(), dwAccess, dwShare, nullptr, dwCreate, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        long lError = LastOsError();
        // A folder is refused as "access denied"; it is no file at all, and saying so is clearer.
        DWORD dwAttributes = lError == ERROR_ACCESS_DENIED ? GetFileAttributesA(strPath.c_str()) : INVALID_FILE_ATTRIBUTES;
        if (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (pError)
                *pError = CFileException(FileErrorCause::notRegularFile, lError, strPath);
            return false;
        }
        SetError(pError, lError, strPath);
        return false;
    }
    // A device name (CON, NUL, COM1) or a pipe is no file to read an archive or a member from.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        if (pError)
            *pError = CFileException(FileErrorCause::notRegularFile, ERROR_BAD_FILE_TYPE, strPath);
        return false;
    }
    m_hFile = h;
    m_strPath = strPath;
    return true;
}

void CFile::Close()
{
    if (m_hFile) {
        CloseHandle(static_cast<HANDLE>(m_hFile));
        m_hFile = nullptr;
    }
    m_bHaveIndex = false;
}

bool CFile::IsOpen() const { return m_hFile != nullptr; }

size_t CFile::Read(void* pBuffer, size_t nCount)
{
    size_t nDone = 0;
    while (nDone < nCount) {
        DWORD dwChunk = static_cast<DWORD>(std::min<size_t>(nCount - nDone, 0x40000000));
        DWORD dwRead = 0;
        if (!ReadFile(static_cast<HANDLE>(m_hFile), static_cast<char*>(pBuffer) + nDone, dwChunk, &dwRead, nullptr))
            ThrowLastError();
        if (dwRead == 0)
            break;
        nDone += dwRead;
    }
    return nDone;
}

void CFile::Write(const void* pBuffer, size_t nCount)
{
    size_t nDone = 0;
    while (nDone < nCount) {
        DWORD dwChunk = static_cast<DWORD>(std::min<size_t>(nCount - nDone, 0x40000000));
        DWORD dwWritten = 0;
        if (!WriteFile(static_cast<HANDLE>(m_hFile), static_cast<const char*>(pBuffer) + nDone, dwChunk, &dwWritten,
                       nullptr))
            ThrowLastError();
        if (dwWritten == 0)
            throw CFileException(FileErrorCause::diskFull, ERROR_DISK_FULL, m_strPath);
        nDone += dwWritten;
    }
}

uint64_t CFile::GetPosition() const
{
    LARGE_INTEGER zero{}, pos{};
    if (!SetFilePointerEx(static_cast<HANDLE>(m_hFile), zero, &pos, FILE_CURRENT))
        ThrowLastError();
    return static_cast<uint64_t>(pos.QuadPart);
}

void CFile::Seek(uint64_t nPosition)
{
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(nPosition);
    if (!SetFilePointerEx(static_cast<HANDLE>(m_hFile), to, nullptr, FILE_BEGIN))
        ThrowLastError();
}

uint64_t CFile::GetLength() const
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(static_cast<HANDLE>(m_hFile), &size))
        ThrowLastError();
    return static_cast<uint64_t>(size.QuadPart);
}

void CFile::Flush()
{
    if (!FlushFileBuffers(static_cast<HANDLE>(m_hFile)))
        ThrowLastError();
}

// Size, times and links from two queries that Wine answers inside the process.
static bool QueryVersion(HANDLE h, CFileVersion& version, uint32_t* pLinks = nullptr)
{
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!h || !GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(h, FileStandardInfo, &standard, sizeof standard))
        return false;
    version.nSize = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
    version.nWriteTime = basic.LastWriteTime.QuadPart;
    version.nChangeTime = basic.ChangeTime.QuadPart;
    version.nAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_ARCHIVE;  // which Windows sets on every write
    if (pLinks)
        *pLinks = standard.NumberOfLinks;
    return true;
}

bool CFile::GetVersion(CFileVersion& version) const { return QueryVersion(static_cast<HANDLE>(m_hFile), version); }

bool CFile::GetHandleVersion(void* hFile, CFileVersion& version) { return QueryVersion(static_cast<HANDLE>(hFile), version); }

bool CFile::GetIdentity(CFileIdentity& identity) const
{
    if (!m_bHaveIndex) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!m_hFile || !GetFileInformationByHandle(static_cast<HANDLE>(m_hFile), &info))
            return false;
        m_nVolume = info.dwVolumeSerialNumber;
        m_nIndex = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
        m_bHaveIndex = true;
    }
    identity.nVolume = m_nVolume;
    identity.nIndex = m_nIndex;
    return QueryVersion(static_cast<HANDLE>(m_hFile), identity, &identity.nLinks);
}

bool CFile::OpenTemporaryFor(const std::string& strDest, CFileException* pError)
{
    return OpenPartFile(strDest, pError);
}

bool CFile::MoveTo(const std::string& strTo, bool bReplace, CFileException* pError)
{
    // Renamed through the handle: no second open of the file (which its sharing would refuse), and
    // no moment in which another file could stand at its old name. The new name as an NT path.
    std::string strFull = GetFullPath(strTo);
    if (strFull.compare(0, 4, "\\\\?\\") == 0)
        strFull.erase(0, 4);
    else if (strFull.compare(0, 2, "\\\\") == 0)
        strFull.replace(0, 2, "UNC\\");
    int cch = MultiByteToWideChar(CP_ACP, 0, strFull.c_str(), static_cast<int>(strFull.size()), nullptr, 0);
    std::wstring strName = L"\\??\\" + std::wstring(static_cast<size_t>(cch > 0 ? cch : 0), L'\0');
    if (cch > 0)
        MultiByteToWideChar(CP_ACP, 0, strFull.c_str(), static_cast<int>(strFull.size()), &strName[4], cch);
    std::vector<char> info(sizeof(FILE_RENAME_INFO) + strName.size() * sizeof(wchar_t));
    auto* pInfo = reinterpret_cast<FILE_RENAME_INFO*>(info.data());
    pInfo->ReplaceIfExists = bReplace ? TRUE : FALSE;
    pInfo->RootDirectory = nullptr;
    pInfo->FileNameLength = static_cast<DWORD>(strName.size() * sizeof(wchar_t));
    std::copy(strName.begin(), strName.end(), pInfo->FileName);
    if (cch <= 0 ||
        !SetFileInformationByHandle(static_cast<HANDLE>(m_hFile), FileRenameInfo, pInfo, static_cast<DWORD>(info.size()))) {
        SetError(pError, LastOsError(), strTo);
        return false;
    }
    m_strPath = strTo;
    return true;
}

void CFile::Discard()
{
    FILE_DISPOSITION_INFO dispose{TRUE};
    bool bMarked = m_hFile && SetFileInformationByHandle(static_cast<HANDLE>(m_hFile), FileDispositionInfo, &dispose,
                                                         sizeof dispose);
    const bool bWasOpen = IsOpen();
    Close();
    if (bWasOpen && !bMarked)  // a file opened without the right to delete it: by name
        DeleteFileA(m_strPath.c_str());
}

bool CFile::CopyPermissionsFrom(const std::string&) { return true; }

bool CFile::LockForReplace() { return m_hFile != nullptr; }

// The file's path with every link resolved, as the system names it; empty when unknown.
static std::string FinalPath(HANDLE h)
{
    std::string strPath(MAX_PATH, '\0');
    DWORD dwLen = h != INVALID_HANDLE_VALUE ? GetFinalPathNameByHandleA(h, &strPath[0], MAX_PATH, FILE_NAME_NORMALIZED) : 0;
    if (dwLen >= MAX_PATH) {
        strPath.resize(dwLen);
        dwLen = GetFinalPathNameByHandleA(h, &strPath[0], dwLen, FILE_NAME_NORMALIZED);
    }
    strPath.resize(dwLen < strPath.size() ? dwLen : 0);
    return strPath;
}

// An open handle to look at a file or folder without reading it, closed on scope exit.
struct CLookHandle {
    HANDLE h;
    CLookHandle(const std::string& strPath, DWORD dwAccess, DWORD dwFlags)
        : h(CreateFileA(strPath.c_str(), dwAccess, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, dwFlags, nullptr)) {}
    ~CLookHandle()
    {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
};

bool CFile::GetPathIdentity(const std::string& strPath, CFileIdentity& identity)
{
    CFile file;
    HANDLE h = CreateFileA(strPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    file.m_hFile = h;
    return file.GetIdentity(identity);
}

bool CFile::GetPathVersion(const std::string& strPath, CFileVersion& version)
{
    CLookHandle file(strPath, 0, FILE_ATTRIBUTE_NORMAL);
    return file.h != INVALID_HANDLE_VALUE && QueryVersion(file.h, version);
}

bool CFile::RemoveUnlessInUse(const std::string& strPath)
{
    // Opening it for deleting fails while a save holds it open without delete sharing. The file is
    // then removed through this very handle, once it has shown to be a plain file of one name whose
    // final path is its own: a link (under Wine one of the file system below, which looks like a
    // plain file) resolves to the file it leads to.
    CLookHandle file(strPath, DELETE | FILE_READ_ATTRIBUTES, FILE_FLAG_OPEN_REPARSE_POINT);
    CFileVersion version;
    uint32_t nLinks = 0;
    if (file.h == INVALID_HANDLE_VALUE || !QueryVersion(file.h, version, &nLinks) ||
        (version.nAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) || nLinks != 1)
        return false;
    const std::string strFull = GetFullPath(strPath);
    const size_t nSlash = strFull.find_last_of("\\/");
    if (nSlash == std::string::npos)
        return false;
    CLookHandle folder(strFull.substr(0, nSlash + 1), 0, FILE_FLAG_BACKUP_SEMANTICS);
    std::string strOwn = FinalPath(folder.h);
    if (strOwn.empty())
        return false;
    if (strOwn.back() != '\\')
        strOwn += '\\';
    strOwn += strFull.substr(nSlash + 1);
    if (lstrcmpiA(FinalPath(file.h).c_str(), strOwn.c_str()) != 0)
        return false;
    FILE_DISPOSITION_INFO dispose{TRUE};
    return SetFileInformationByHandle(file.h, FileDispositionInfo, &dispose, sizeof dispose) != FALSE;
}

FileKind CFile::GetKind(const std::string& strPath)
{
    DWORD dwAttr = GetFileAttributesA(strPath.c_str());
    if (dwAttr == INVALID_FILE_ATTRIBUTES) {
        // Wine answers "invalid parameter" for a pipe of the file system below.
        DWORD dwError = GetLastError();
        return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND || dwError == ERROR_INVALID_NAME ||
                       dwError == ERROR_BAD_PATHNAME || dwError == ERROR_INVALID_DRIVE || dwError == ERROR_BAD_NETPATH
                   ? FileKind::none
                   : FileKind::other;
    }
    if (dwAttr & FILE_ATTRIBUTE_REPARSE_POINT)
        return FileKind::link;
    if (dwAttr & FILE_ATTRIBUTE_DIRECTORY)
        return FileKind::folder;
    return (dwAttr & FILE_ATTRIBUTE_DEVICE) ? FileKind::other : FileKind::file;
}

void CFile::SyncFolderOf(const std::string&) {}

std::string CFile::GetFullPath(const std::string& strPath)
{
    if (strPath.empty())
        return strPath;
    DWORD dwLen = GetFullPathNameA(strPath.c_str(), 0, nullptr, nullptr);
    if (dwLen == 0)
        return strPath;
    std::string strFull(dwLen, '\0');
    DWORD dwGot = GetFullPathNameA(strPath.c_str(), dwLen, &strFull[0], nullptr);
    if (dwGot == 0 || dwGot >= dwLen)
        return strPath;
    strFull.resize(dwGot);
    return strFull;
}

bool CFile::IsLink(const std::string& strPath)
{
    DWORD dwAttr = GetFileAttributesA(strPath.c_str());
    return dwAttr != INVALID_FILE_ATTRIBUTES && (dwAttr & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool CFile::PathExists(const std::string& strPath) { return GetFileAttributesA(strPath.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool CFile::IsReadOnly(const std::string& strPath)
{
    DWORD dwAttr = GetFileAttributesA(strPath.c_str());
    return dwAttr != INVALID_FILE_ATTRIBUTES && (dwAttr & FILE_ATTRIBUTE_READONLY);
}

std::string CFile::ResolveLink(const std::string& strPath) { return strPath; }

bool CFile::Remove(const std::string& strPath, CFileException* pError)
{
    if (DeleteFileA(strPath.c_str()))
        return true;
    SetError(pError, LastOsError(), strPath);
    return false;
}

bool CFile::Replace(const std::string& strFrom, const std::string& strTo, CFileException* pError)
{
    if (MoveFileExA(strFrom.c_str(), strTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    SetError(pError, LastOsError(), strTo);
    return false;
}

bool CFile::Exists(const std::string& strPath)
{
    DWORD dwAttr = GetFileAttributesA(strPath.c_str());
    return dwAttr != INVALID_FILE_ATTRIBUTES && !(dwAttr & FILE_ATTRIBUTE_DIRECTORY);
}

bool CFile::IsSameFile(const std::string& strPath1, const std::string& strPath2)
{
    auto getId = [](const std::string& strPath, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE h = CreateFileA(strPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        BOOL bOk = GetFileInformationByHandle(h, &info);
        CloseHandle(h);
        return bOk != FALSE;
    };
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return getId(strPath1, a) && getId(strPath2, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

#else  // POSIX

bool CFile::Open(const std::string& strPath, unsigned nOpenFlags, CFileException* pError)
{
    Close();
    int nFlags = O_RDONLY;
    switch (nOpenFlags & 0x3) {
    case modeWrite: nFlags = O_WRONLY; break;
    case modeReadWrite: nFlags = O_RDWR; break;
    default: break;
    }
    // A file created for writing alone is locked first and truncated only once the lock is held.
    const bool bLock = (nOpenFlags & (modeCreate | modeCreateNew)) && (nOpenFlags & shareExclusive) && nFlags != O_RDONLY;
    if (nOpenFlags & modeCreateNew)
        nFlags |= O_CREAT | O_EXCL | O_NOFOLLOW;
    else if (bLock)
        nFlags |= O_CREAT | O_NOFOLLOW;
    else if (nOpenFlags & modeCreate)
        nFlags |= O_CREAT | O_TRUNC;
    // Non-blocking while opening, so that a pipe without a writer does not stop the program here.
    nFlags |= O_CLOEXEC | O_NONBLOCK;

    auto fail = [&](int nErrno, FileErrorCause cause) {
        if (pError)
            *pError = CFileException(cause, nErrno, strPath);
        return false;
    };
    for (int nAttempt = 0;; nAttempt++) {
        int fd;
        do {
            fd = ::open(strPath.c_str(), nFlags, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return fail(errno, CauseFromOsError(errno));
        struct stat st {};
        if (fstat(fd, &st) != 0) {
            int nErr = errno;
            ::close(fd);
            return fail(nErr, CauseFromOsError(nErr));
        }
        if (!S_ISREG(st.st_mode)) {
            ::close(fd);
            // A folder, a pipe or a device is no file to use, as on Windows.
            return fail(S_ISDIR(st.st_mode) ? EISDIR : ENXIO, FileErrorCause::notRegularFile);
        }
        if (bLock) {
            // A file this call has just created is held only for a moment by another save that looks
            // whether it may remove it: that is waited for, not taken for a writer.
            int nLocked;
            do {
                nLocked = flock(fd, (nOpenFlags & modeCreateNew) ? LOCK_EX : LOCK_EX | LOCK_NB);
            } while (nLocked != 0 && errno == EINTR);
            if (nLocked != 0) {
                int nErr = errno;
                ::close(fd);
                return fail(nErr, nErr == EWOULDBLOCK ? FileErrorCause::sharingViolation : CauseFromOsError(nErr));
            }
            // The holder of the lock may have renamed the file away before letting go: the lock
            // must be on the file the path names now, or this open would write into another file.
            struct stat now {};
            if (::stat(strPath.c_str(), &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino) {
                ::close(fd);
                if (nAttempt < 10)
                    continue;
                return fail(EWOULDBLOCK, FileErrorCause::sharingViolation);
            }
            if (!(nOpenFlags & modeCreateNew) && ftruncate(fd, 0) != 0) {
                int nErr = errno;
                ::close(fd);
                return fail(nErr, CauseFromOsError(nErr));
            }
        }
        // O_NONBLOCK stays: it has no effect on regular files, the only ones that get this far.
        m_fd = fd;
        m_strPath = strPath;
        return true;
    }
}

void CFile::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool CFile::IsOpen() const { return m_fd >= 0; }

size_t CFile::Read(void* pBuffer, size_t nCount)
{
    size_t nDone = 0;
    while (nDone < nCount) {
        ssize_t n = ::read(m_fd, static_cast<char*>(pBuffer) + nDone, std::min<size_t>(nCount - nDone, 0x40000000));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowLastError();
        }
        if (n == 0)
            break;
        nDone += static_cast<size_t>(n);
    }
    return nDone;
}

void CFile::Write(const void* pBuffer, size_t nCount)
{
    size_t nDone = 0;
    while (nDone < nCount) {
        ssize_t n = ::write(m_fd, static_cast<const char*>(pBuffer) + nDone, std::min<size_t>(nCount - nDone, 0x40000000));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowLastError();
        }
        if (n == 0)
            throw CFileException(FileErrorCause::diskFull, ENOSPC, m_strPath);
        nDone += static_cast<size_t>(n);
    }
}

uint64_t CFile::GetPosition() const
{
    off_t pos = ::lseek(m_fd, 0, SEEK_CUR);
    if (pos < 0)
        ThrowLastError();
    return static_cast<uint64_t>(pos);
}

void CFile::Seek(uint64_t nPosition)
{
    if (::lseek(m_fd, static_cast<off_t>(nPosition), SEEK_SET) < 0)
        ThrowLastError();
}

uint64_t CFile::GetLength() const
{
    struct stat st {};
    if (fstat(m_fd, &st) != 0)
        ThrowLastError();
    return static_cast<uint64_t>(st.st_size);
}

void CFile::Flush()
{
    if (::fsync(m_fd) != 0 && errno != EINVAL)  // EINVAL: a special file that cannot be synced
        ThrowLastError();
}

// The version a stat result describes.
static void VersionFromStat(const struct stat& st, CFileVersion& version)
{
    version.nSize = static_cast<uint64_t>(st.st_size);
    version.nWriteTime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    version.nChangeTime = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    version.nAttributes = static_cast<uint32_t>(st.st_mode);
}

// Which file a stat result describes, and its version.
static bool IdentityFromStat(const struct stat& st, CFileIdentity& identity)
{
    identity.nVolume = static_cast<uint64_t>(st.st_dev);
    identity.nIndex = static_cast<uint64_t>(st.st_ino);
    identity.nLinks = static_cast<uint32_t>(st.st_nlink);
    VersionFromStat(st, identity);
    return true;
}

bool CFile::GetVersion(CFileVersion& version) const
{
    struct stat st {};
    if (m_fd < 0 || fstat(m_fd, &st) != 0)
        return false;
    VersionFromStat(st, version);
    return true;
}

bool CFile::GetIdentity(CFileIdentity& identity) const
{
    struct stat st {};
    if (m_fd < 0 || fstat(m_fd, &st) != 0)
        return false;
    return IdentityFromStat(st, identity);
}

// True when the path itself (not followed) is the open file.
static bool NamesOpenFile(int fd, const std::string& strPath)
{
    struct stat opened {}, named {};
    return fstat(fd, &opened) == 0 && ::lstat(strPath.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

// The folder of a path, for the calls that take one.
static std::string FolderOf(const std::string& strPath)
{
    const size_t nSlash = strPath.find_last_of('/');
    return nSlash == std::string::npos ? "." : nSlash == 0 ? "/" : strPath.substr(0, nSlash);
}

// Where an open file without a name can be given one (linkat through /proc).
static std::string SelfLink(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

bool CFile::OpenTemporaryFor(const std::string& strDest, CFileException* pError)
{
    Close();
#ifdef O_TMPFILE
    static const bool s_bHaveProc = ::access("/proc/self/fd", X_OK) == 0;
    int fd = s_bHaveProc ? ::open(FolderOf(strDest).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666) : -1;
    if (fd >= 0) {
        m_fd = fd;
        m_strPath.clear();  // no name yet
        return true;
    }
    // A file system (or a kernel) without files of no name: a named one. Any other failure is the folder's.
    if (s_bHaveProc && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        SetError(pError, LastOsError(), strDest);
        return false;
    }
#endif
    return OpenPartFile(strDest, pError);
}

bool CFile::MoveTo(const std::string& strTo, bool bReplace, CFileException* pError)
{
    if (m_fd >= 0 && m_strPath.empty()) {
        // A file without a name gets one in one step, which fails where the name is taken.
        if (::linkat(AT_FDCWD, SelfLink(m_fd).c_str(), AT_FDCWD, strTo.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            m_strPath = strTo;
            return true;
        }
        if (!bReplace || errno != EEXIST) {
            SetError(pError, LastOsError(), strTo);
            return false;
        }
        // To replace a file, it first needs a name of its own beside it.
        for (int n = 0; n < 100 && m_strPath.empty(); n++) {
            const std::string strPart = PartName(strTo, n);
            if (::linkat(AT_FDCWD, SelfLink(m_fd).c_str(), AT_FDCWD, strPart.c_str(), AT_SYMLINK_FOLLOW) == 0)
                m_strPath = strPart;
            else if (errno != EEXIST)
                break;
        }
        if (m_strPath.empty()) {
            SetError(pError, LastOsError(), strTo);
            return false;
        }
    }
    int nResult = -1;
    if (bReplace) {
        nResult = ::rename(m_strPath.c_str(), strTo.c_str());
    } else {
#ifdef RENAME_NOREPLACE
        nResult = ::renameat2(AT_FDCWD, m_strPath.c_str(), AT_FDCWD, strTo.c_str(), RENAME_NOREPLACE);
        if (nResult != 0 && errno != EINVAL && errno != ENOSYS) {
            SetError(pError, LastOsError(), strTo);
            return false;
        }
#endif
        // A file system without a rename that keeps an existing name: a second name, then the first goes.
        if (nResult != 0 && (nResult = ::link(m_strPath.c_str(), strTo.c_str())) == 0)
            ::unlink(m_strPath.c_str());
    }
    if (nResult != 0) {
        SetError(pError, LastOsError(), strTo);
        return false;
    }
    m_strPath = strTo;
    return true;
}

void CFile::Discard()
{
    if (m_fd >= 0 && !m_strPath.empty() && NamesOpenFile(m_fd, m_strPath))
        ::unlink(m_strPath.c_str());
    Close();
}

bool CFile::CopyPermissionsFrom(const std::string& strPath)
{
    struct stat st {};
    if (m_fd < 0 || ::stat(strPath.c_str(), &st) != 0)
        return false;
    // Owner and group first (a change of owner may clear the set-id bits). Another user's file keeps
    // its owner only where the process may give it away; its group where the process belongs to it.
    if (fchown(m_fd, st.st_uid, st.st_gid) != 0)
        (void)!fchown(m_fd, static_cast<uid_t>(-1), st.st_gid);
    return fchmod(m_fd, st.st_mode & 07777) == 0;
}

bool CFile::LockForReplace()
{
    if (m_fd < 0)
        return false;
    int nResult;
    do {
        nResult = flock(m_fd, LOCK_EX);
    } while (nResult != 0 && errno == EINTR);
    return nResult == 0;
}

bool CFile::GetPathIdentity(const std::string& strPath, CFileIdentity& identity)
{
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0)
        return false;
    return IdentityFromStat(st, identity);
}

bool CFile::GetPathVersion(const std::string& strPath, CFileVersion& version)
{
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0)
        return false;
    VersionFromStat(st, version);
    return true;
}

bool CFile::RemoveUnlessInUse(const std::string& strPath)
{
    struct stat st {};
    if (::lstat(strPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1)
        return false;
    // A save writing this side file holds its lock until the file has replaced its target.
    int fd = ::open(strPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool bRemoved = flock(fd, LOCK_EX | LOCK_NB) == 0 && NamesOpenFile(fd, strPath) && ::unlink(strPath.c_str()) == 0;
    ::close(fd);
    return bRemoved;
}

FileKind CFile::GetKind(const std::string& strPath)
{
    struct stat st {};
    if (::lstat(strPath.c_str(), &st) != 0)
        return FileKind::none;
    if (S_ISLNK(st.st_mode))
        return FileKind::link;
    if (S_ISDIR(st.st_mode))
        return FileKind::folder;
    return S_ISREG(st.st_mode) ? FileKind::file : FileKind::other;
}

void CFile::SyncFolderOf(const std::string& strPath)
{
    int fd = ::open(FolderOf(strPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);  // some file systems cannot sync a folder; the rename has been made either way
        ::close(fd);
    }
}

std::string CFile::GetFullPath(const std::string& strPath)
{
    if (strPath.empty() || strPath[0] == '/')
        return strPath;
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(strPath, ec);
    return ec ? strPath : full.string();
}

bool CFile::IsLink(const std::string& strPath)
{
    struct stat st {};
    return ::lstat(strPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool CFile::PathExists(const std::string& strPath)
{
    struct stat st {};
    return ::lstat(strPath.c_str(), &st) == 0;
}

bool CFile::IsReadOnly(const std::string& strPath)
{
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0)
        return false;
    // The write bits count even for a user whom the system would let write anyway.
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(strPath.c_str(), W_OK) != 0;
}

std::string CFile::ResolveLink(const std::string& strPath)
{
    if (!IsLink(strPath))
        return strPath;
    std::error_code ec;
    std::filesystem::path real = std::filesystem::canonical(strPath, ec);
    return ec ? strPath : real.string();
}

bool CFile::Remove(const std::string& strPath, CFileException* pError)
{
    if (::unlink(strPath.c_str()) == 0)
        return true;
    SetError(pError, LastOsError(), strPath);
    return false;
}

bool CFile::Replace(const std::string& strFrom, const std::string& strTo, CFileException* pError)
{
    if (::rename(strFrom.c_str(), strTo.c_str()) == 0)
        return true;
    SetError(pError, LastOsError(), strTo);
    return false;
}

bool CFile::Exists(const std::string& strPath)
{
    struct stat st {};
    return ::stat(strPath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool CFile::IsSameFile(const std::string& strPath1, const std::string& strPath2)
{
    struct stat a {}, b {};
    return ::stat(strPath1.c_str(), &a) == 0 && ::stat(strPath2.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

#endif
