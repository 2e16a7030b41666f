// File.h: an owned file handle with the framework's open and sharing modes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/** @brief Why a file operation failed, independent of the platform's error numbers. */
enum class FileErrorCause {
    none,
    generic,
    fileNotFound,
    badPath,           // a folder on the path does not exist
    invalidName,       // the name holds characters the file system does not allow
    accessDenied,
    sharingViolation,  // another program holds the file open without sharing
    diskFull,
    endOfFile,
    alreadyExists,   // a file that must be new is already there
    notRegularFile,  // a folder, pipe, device or (where links are not followed) a link
};

/** @brief One state of a file's contents: its size, last write time and change time. */
struct CFileVersion {
    uint64_t nSize = 0;
    int64_t nWriteTime = 0;   // FILETIME / nanoseconds since the epoch
    // When the file's contents or attributes last changed (ChangeTime / st_ctime). A program can put
    // the last write time back, as a copy that keeps times does; this one only the system sets.
    int64_t nChangeTime = 0;
    uint32_t nAttributes = 0;  // FileAttributes / st_mode
    // The change time tells contents apart only while the attributes stay: a file made read-only
    // (or writable) since is the same version when its size and write time are.
    bool IsSameVersionAs(const CFileVersion& o) const
    {
        return nSize == o.nSize && nWriteTime == o.nWriteTime && (nChangeTime == o.nChangeTime || nAttributes != o.nAttributes);
    }
};

/** @brief What identifies one version of a file: which file it is, and its version. */
struct CFileIdentity : CFileVersion {
    uint64_t nVolume = 0;     // volume serial number / st_dev
    uint64_t nIndex = 0;      // file index / st_ino
    uint32_t nLinks = 0;      // names the file has (hard links); not part of the comparison
    bool IsSameFileAs(const CFileIdentity& o) const { return nVolume == o.nVolume && nIndex == o.nIndex; }
    bool operator==(const CFileIdentity& o) const { return IsSameFileAs(o) && IsSameVersionAs(o); }
    bool operator!=(const CFileIdentity& o) const { return !(*this == o); }
};

/** @brief What stands at a path itself. */
enum class FileKind {
    none,    // nothing (or a folder on the way is missing)
    file,
    folder,
    link,    // a symbolic link (a reparse point on Windows), not followed
    other,   // a pipe, a device, or something the system will not describe
};

/** @brief A failed file operation: what went wrong, on which file, and the system's own error number. */
class CFileException {
public:
    CFileException() = default;
    CFileException(FileErrorCause cause, long lOsError, std::string strFileName)
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(std::move(strFileName)) {}

    FileErrorCause m_cause = FileErrorCause::none;
    long m_lOsError = 0;        // GetLastError() on Windows, errno elsewhere
    std::string m_strFileName;  // the file the operation was about
};

/**
 * @brief An open file (CreateFileA on Windows, open() elsewhere), closed by the destructor.
 *
 * Open reports failure as a value. Read, Write, Seek and Flush throw CFileException when the system
 * call fails; only the document's file layer (framework/base/Document.cpp) and the archive core
 * catch it, so nothing above them sees an exception. Only regular files open: a folder, a pipe or
 * a device is refused (notRegularFile) instead of blocking or reading as empty.
 *
 * Share modes are enforced by Windows. Elsewhere only one case is emulated: a file created with
 * modeCreate | shareExclusive is locked (flock) before it is truncated and stays locked until
 * closed, so two programs never write one file at the same time; such a file is never reached
 * through a symbolic link.
 */
class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,  // no sharing at all
        shareDenyWrite = 0x0020,  // others may read
        shareDenyNone = 0x0040,   // others may read and write
        modeCreate = 0x1000,      // create, or truncate an existing file
        modeCreateNew = 0x2000,   // create a file that does not exist yet (alreadyExists otherwise);
                              // such a file can be renamed and removed while open (MoveTo, Discard)
    };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    CFile(CFile&& other) noexcept;
    CFile& operator=(CFile&& other) noexcept;

    bool Open(const std::string& strPath, unsigned nOpenFlags, CFileException* pError = nullptr);
    void Close();
    bool IsOpen() const;

    // Reads up to nCount bytes; returns fewer only at the end of the file.
    size_t Read(void* pBuffer, size_t nCount);
    // Writes all nCount bytes or throws (a short write counts as a full disk).
    void Write(const void* pBuffer, size_t nCount);
    uint64_t GetPosition() const;
    void Seek(uint64_t nPosition);  // from the beginning
    uint64_t GetLength() const;
    void Flush();                   // FlushFileBuffers / fsync
    const std::string& GetFilePath() const { return m_strPath; }
    // The open file's size, last write time and change time (cheap: no look at the volume).
    bool GetVersion(CFileVersion& version) const;
    // Which file is open, and its version. Windows asks for the volume once per open handle.
    bool GetIdentity(CFileIdentity& identity) const;
    // Creates a new file for writing in strDest's folder that gets strDest's name only from MoveTo,
    // once complete: without a name until then where the system can (Linux's O_TMPFILE), else
    // named strDest + ".part" (or ".part1" ... when taken). Discard removes it. A program ended
    // meanwhile leaves nothing behind, or that one name: never a part of it under strDest.
    bool OpenTemporaryFor(const std::string& strDest, CFileException* pError = nullptr);
    // Gives the open file the name strTo in the same folder; an existing strTo is replaced only with
    // bReplace (alreadyExists otherwise). The file stays open under its new name.
    bool MoveTo(const std::string& strTo, bool bReplace, CFileException* pError = nullptr);
    // Removes the open file's name while the name still leads to it, and closes the file: for a file
    // this program created and does not keep, without a moment in which another file could take the
    // name and be removed instead.
    void Discard();
    // Gives the open file the permission bits of another file and, where the process may set them,
    // its owner and group (POSIX; nothing to do on Windows).
    bool CopyPermissionsFrom(const std::string& strPath);
    // Waits for the exclusive lock that the save procedure takes on the file it replaces, so that two
    // programs never check and replace one archive at the same time (POSIX flock; Windows needs none:
    // its sharing modes keep a file that is being replaced from being opened).
    bool LockForReplace();

    static bool Remove(const std::string& strPath, CFileException* pError = nullptr);
    // Removes a file left over at the path, but only a plain file of one name that no other program
    // is writing (a save holds its file locked, or open without sharing). A link, a file of several
    // names or anything that cannot be told from them stays: under Wine a link of the file system
    // below looks like a plain file, and removing it would remove the file it leads to.
    static bool RemoveUnlessInUse(const std::string& strPath);
    // Which file the path names now (through links), and its version.
    static bool GetPathIdentity(const std::string& strPath, CFileIdentity& identity);
    static bool GetPathVersion(const std::string& strPath, CFileVersion& version);
#ifdef _WIN32
    // The version of a file open through a HANDLE of the caller's.
    static bool GetHandleVersion(void* hFile, CFileVersion& version);
#endif
    // What stands at the path itself (a link is not followed). Never opens it: a pipe cannot block.
    static FileKind GetKind(const std::string& strPath);
    // Makes a rename into the path's folder durable (fsync of the folder on POSIX; on Windows the
    // rename itself writes through).
    static void SyncFolderOf(const std::string& strPath);
    // Moves strFrom to strTo, replacing an existing strTo in one step (MoveFileExA with
    // MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH on Windows, rename() elsewhere).
    static bool Replace(const std::string& strFrom, const std::string& strTo, CFileException* pError = nullptr);
    // True when a file (not a folder) exists at the path.
    static bool Exists(const std::string& strPath);
    // True when both paths name one existing file (through links too). Windows keeps a file that is
    // open without sharing from being opened again; POSIX does not, and needs this check instead.
    static bool IsSameFile(const std::string& strPath1, const std::string& strPath2);
    // The full path: GetFullPathNameA on Windows, the path made absolute against the current folder
    // elsewhere. Empty stays empty.
    static std::string GetFullPath(const std::string& strPath);
    // True when the path itself is a symbolic link (or another reparse point on Windows).
    static bool IsLink(const std::string& strPath);
    // True when something exists at the path, a dangling link included.
    static bool PathExists(const std::string& strPath);
    // True when an existing file may not be written: the read-only attribute, or no write bit.
    static bool IsReadOnly(const std::string& strPath);
    // The file a link leads to (the path itself when it is no link or leads nowhere); POSIX only,
    // Windows returns the path unchanged.
    static std::string ResolveLink(const std::string& strPath);

private:
    [[noreturn]] void ThrowLastError() const;
    bool OpenPartFile(const std::string& strDest, CFileException* pError);

#ifdef _WIN32
    void* m_hFile = nullptr;  // HANDLE; nullptr when closed
    // Volume and index of the open file, asked for once: the volume's serial number costs a round
    // trip to the volume under Wine, and an open handle stays with its file.
    mutable uint64_t m_nVolume = 0;
    mutable uint64_t m_nIndex = 0;
    mutable bool m_bHaveIndex = false;
#else
    int m_fd = -1;
#endif
    std::string m_strPath;
};
