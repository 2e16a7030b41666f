// vpp_reader_fuzz.cpp: libFuzzer target for the archive reader. Each input is written to a file and
// opened as an archive; a file that opens is saved again and read back, which must give the same rows.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <unistd.h>

#include "core/QuarnelDoc.h"
#include "framework/base/MessageSink.h"

namespace {

std::string TempPath(const char* pszSuffix)
{
    // Memory-backed when possible: every save flushes its file to disk.
    const char* pszDir = std::getenv("TMPDIR");
    std::string strDir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (pszDir ? pszDir : "/tmp");
    return strDir + "/vpp_fuzz_" + std::to_string(getpid()) + pszSuffix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    static const std::string s_strInput = TempPath(".vpp");
    static const std::string s_strSaved = TempPath("_saved.vpp");
    static bool s_bInit = [] {
        SetMessageBoxSink([](const std::string&, const std::string&, unsigned) { return QIDOK; });
        return true;
    }();
    (void)s_bInit;

    FILE* pFile = std::fopen(s_strInput.c_str(), "wb");
    if (!pFile)
        return 0;
    std::fwrite(pData, 1, nSize, pFile);
    std::fclose(pFile);

    // One document for the whole run: its table of 65536 rows is costly to build per input.
    static const std::unique_ptr<CQuarnelDoc> pDoc = std::make_unique<CQuarnelDoc>();
    pDoc->OnNewDocument();
    if (!pDoc->OpenDocumentFile(s_strInput)) {
        if (pDoc->m_nFileCount != 0)
            std::abort();  // a refused file must leave nothing loaded
        return 0;
    }
    if (pDoc->m_nFileCount < 0 || pDoc->m_nFileCount > VPP_MAX_FILES || pDoc->m_nTotalSize < 0)
        std::abort();

    // Saving copies every member that the file really holds; members past its end make it fail.
    std::remove(s_strSaved.c_str());
    int32_t nCount = pDoc->m_nFileCount;
    if (pDoc->OnSaveDocument(s_strSaved)) {
        if (pDoc->m_nFileCount != nCount || pDoc->GetPathName() != s_strSaved)
            std::abort();
        for (int32_t i = 0; i < nCount; i++)
            if (pDoc->m_entries[i].m_bInArchive != 1)
                std::abort();
    } else if (std::fopen(s_strSaved.c_str(), "rb") != nullptr) {
        std::abort();  // a failed save leaves no file behind
    }
    return 0;
}
