// vpp_bench.cpp: figures for the archive core: opening a 65,536-member archive, save and extract
// against cp, adding and removing many files, and peak memory while saving (also with a 1 GB member).
// usage: vpp_bench [WORK_DIR]   (default: a fresh folder under /tmp, removed afterwards)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "core/QuarnelDoc.h"
#include "framework/base/MessageSink.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

std::string g_strSelf;  // this program, run again to measure memory in a fresh process

double Seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

void WriteFile(const std::string& strPath, size_t nSize, unsigned nSeed)
{
    std::vector<char> data(nSize);
    for (size_t i = 0; i < nSize; i++)
        data[i] = static_cast<char>((i * 2654435761u + nSeed) >> 13);
    std::ofstream(strPath, std::ios::binary).write(data.data(), static_cast<std::streamsize>(nSize));
}

double TimeShell(const std::string& strCommand)
{
    auto t0 = Clock::now();
    if (std::system(strCommand.c_str()) != 0)
        std::fprintf(stderr, "command failed: %s\n", strCommand.c_str());
    return Seconds(t0);
}

// A copy as durable as a save over a file: copied under a new name, synced, renamed over an older copy
// (freed as a save frees the old archive), the folder synced.
double TimeDurableCopy(const std::string& strFrom, const std::string& strTo)
{
    auto t0 = Clock::now();
    const std::string strNew = strTo + ".new";
    fs::copy_file(strFrom, strNew, fs::copy_options::overwrite_existing);
    int fd = open(strNew.c_str(), O_WRONLY), dir = open(fs::path(strTo).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (fsync(fd) != 0 || rename(strNew.c_str(), strTo.c_str()) != 0 || fsync(dir) != 0)
        std::fprintf(stderr, "durable copy of %s failed\n", strFrom.c_str());
    close(fd);
    close(dir);
    return Seconds(t0);
}

// Saves the archive over itself (".try", flush, replace, folder sync, re-read), best of three.
double TimeSaveOverItself(const std::string& strArchive)
{
    double dBest = 1e9;
    for (int nRound = 0; nRound < 3; nRound++) {
        auto pDoc = std::make_unique<CQuarnelDoc>();
        pDoc->OpenDocumentFile(strArchive);
        pDoc->SetModifiedFlag(true);
        auto t0 = Clock::now();
        if (!pDoc->OnSaveDocument(strArchive))
            std::fprintf(stderr, "save failed\n");
        dBest = std::min(dBest, Seconds(t0));
    }
    return dBest;
}

long ReadStatusKb(const char* pszField)
{
    std::ifstream in("/proc/self/status");
    std::string strLine;
    while (std::getline(in, strLine))
        if (strLine.rfind(pszField, 0) == 0)
            return std::atol(strLine.c_str() + std::strlen(pszField));
    return -1;
}

void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

// An archive of nCount members of nSize bytes each, made through the document itself.
std::string MakeArchive(const std::string& strDir, const std::string& strName, int nCount, size_t nSize)
{
    std::string strFiles = strDir + "/" + strName + ".files";
    fs::create_directories(strFiles);
    auto pDoc = std::make_unique<CQuarnelDoc>();
    pDoc->OnNewDocument();
    for (int i = 0; i < nCount; i++) {
        std::string strPath = strFiles + "/m" + std::to_string(i);
        WriteFile(strPath, nSize, static_cast<unsigned>(i));
        pDoc->AddFile(strPath);
    }
    std::string strArchive = strDir + "/" + strName + ".vpp";
    if (!pDoc->OnSaveDocument(strArchive))
        std::fprintf(stderr, "could not write %s\n", strArchive.c_str());
    fs::remove_all(strFiles);
    return strArchive;
}

void BenchOpen(const std::string& strDir)
{
    std::string strArchive = MakeArchive(strDir, "many", VPP_MAX_FILES, 1000);
    auto pDoc = std::make_unique<CQuarnelDoc>();
    double dBest = 1e9;
    for (int i = 0; i < 5; i++) {
        auto t0 = Clock::now();
        pDoc->OpenDocumentFile(strArchive);
        dBest = std::min(dBest, Seconds(t0));
    }
    std::printf("open 65,536-member archive (%.0f MB):        %8.1f ms (best of 5, %d rows)\n",
                fs::file_size(strArchive) / 1e6, dBest * 1e3, pDoc->m_nFileCount);

    std::string strOut = strDir + "/many.out";
    fs::create_directories(strOut);
    auto t0 = Clock::now();
    int nFailed = 0;
    {
        CExtractSession session(*pDoc);  // one open archive for the whole run, as the tool and the editor do
        for (int32_t i = 0; i < pDoc->m_nFileCount; i++)
            nFailed += pDoc->ExtractEntry(i, strOut) < 0;
    }
    if (nFailed)
        std::fprintf(stderr, "%d extractions failed\n", nFailed);
    std::printf("extract 65,536 members of 1000 bytes:          %8.1f ms\n", Seconds(t0) * 1e3);
    fs::remove_all(strOut);
    double dCopy = 1e9;
    for (int nRound = 0; nRound < 4; nRound++)
        dCopy = std::min(dCopy, TimeDurableCopy(strArchive, strDir + "/many.copy"));
    double dSave = TimeSaveOverItself(strArchive);
    std::printf("save over itself / durable copy, 65,536 members: %6.1f ms / %6.1f ms = %.2f\n", dSave * 1e3, dCopy * 1e3,
                dSave / dCopy);
    fs::remove(strDir + "/many.copy");
    fs::remove(strArchive);
}

void BenchSaveAndExtract(const std::string& strDir)
{
    // 48 members of 4 MB and 256 of 40 KB: about 200 MB.
    std::string strFiles = strDir + "/big.files";
    fs::create_directories(strFiles);
    auto pDoc = std::make_unique<CQuarnelDoc>();
    pDoc->OnNewDocument();
    size_t nLargest = 4u << 20;
    for (int i = 0; i < 48; i++) {
        WriteFile(strFiles + "/big" + std::to_string(i), nLargest, static_cast<unsigned>(i));
        pDoc->AddFile(strFiles + "/big" + std::to_string(i));
    }
    for (int i = 0; i < 256; i++) {
        WriteFile(strFiles + "/small" + std::to_string(i), 40000, static_cast<unsigned>(i));
        pDoc->AddFile(strFiles + "/small" + std::to_string(i));
    }
    std::string strArchive = strDir + "/big.vpp";
    pDoc->OnSaveDocument(strArchive);
    fs::remove_all(strFiles);
    double dMb = fs::file_size(strArchive) / 1e6;

    std::string strCopy = strDir + "/copy.vpp";
    TimeShell("cp '" + strArchive + "' '" + strCopy + "'");  // warm the cache
    double dCp = 1e9, dDurable = 1e9;
    for (int nRound = 0; nRound < 3; nRound++) {
        fs::remove(strCopy);
        dCp = std::min(dCp, TimeShell("cp '" + strArchive + "' '" + strCopy + "'"));
    }
    for (int nRound = 0; nRound < 4; nRound++)
        dDurable = std::min(dDurable, TimeDurableCopy(strArchive, strCopy));
    double dSave = TimeSaveOverItself(strArchive);
    std::printf("cp of a %.0f MB archive:                       %8.1f ms\n", dMb, dCp * 1e3);
    std::printf("durable copy over an older one (copy, fsync, rename, fsync of folder): %.1f ms\n", dDurable * 1e3);
    std::printf("save over itself (.try, flush, replace, open): %8.1f ms\n", dSave * 1e3);
    std::printf("  save / durable copy = %.2f   save / cp = %.2f\n", dSave / dDurable, dSave / dCp);
    // In a fresh process, so that no memory kept by the allocator from earlier work hides the growth.
    std::printf("peak memory growth while saving:               ");
    std::fflush(stdout);
    TimeShell("'" + g_strSelf + "' --save-peak '" + strArchive + "'");
    std::printf("  (largest member %.1f MB, archive %.0f MB)\n", nLargest / 1048576.0, dMb);

    // The measuring process saved the archive anew: read it again, or every extraction would (rightly)
    // be refused as coming from an archive changed by another program.
    pDoc->OpenDocumentFile(strArchive);
    std::string strOut = strDir + "/big.out";
    double dExtract = 1e9;
    int nFailed = 0;
    for (int nRound = 0; nRound < 3; nRound++) {
        fs::remove_all(strOut);
        fs::create_directories(strOut);
        auto t0 = Clock::now();
        CExtractSession session(*pDoc);
        for (int32_t i = 0; i < pDoc->m_nFileCount; i++)
            nFailed += pDoc->ExtractEntry(i, strOut) < 0;
        dExtract = std::min(dExtract, Seconds(t0));
    }
    if (nFailed)
        std::fprintf(stderr, "%d extractions failed\n", nFailed);
    std::string strOut2 = strDir + "/big.out2";
    double dCpTree = 1e9;
    for (int nRound = 0; nRound < 3; nRound++) {
        fs::remove_all(strOut2);
        dCpTree = std::min(dCpTree, TimeShell("cp -r '" + strOut + "' '" + strOut2 + "'"));
    }
    std::printf("extract all %d members:                       %8.1f ms\n", pDoc->m_nFileCount, dExtract * 1e3);
    std::printf("cp -r of the extracted files:                  %8.1f ms   extract / cp -r = %.2f\n", dCpTree * 1e3,
                dExtract / dCpTree);
    fs::remove_all(strOut);
    fs::remove_all(strOut2);
    fs::remove(strCopy);
    fs::remove(strArchive);
}

// Saving an archive that holds one member of 1 GB (from a sparse file): memory must stay far below it.
void BenchLargeMember(const std::string& strDir)
{
    std::string strSource = strDir + "/huge.bin";
    {
        std::ofstream out(strSource, std::ios::binary);
        out.seekp((1u << 30) - 1);
        out.put('\x5A');
    }
    std::string strArchive = strDir + "/huge.vpp";
    {
        auto pDoc = std::make_unique<CQuarnelDoc>();
        pDoc->OnNewDocument();
        pDoc->AddFile(strSource);
        if (!pDoc->OnSaveDocument(strArchive))
            std::fprintf(stderr, "could not write %s\n", strArchive.c_str());
    }
    fs::remove(strSource);
    std::printf("peak memory growth saving a 1 GB member:       ");
    std::fflush(stdout);
    TimeShell("'" + g_strSelf + "' --save-peak '" + strArchive + "'");
    std::printf("  (archive %.0f MB, copy buffer %.1f MB)\n", fs::file_size(strArchive) / 1e6,
                VPP_COPY_CHUNK / 1048576.0);
    fs::remove(strArchive);
}

double BenchAddRemove(const std::string& strFiles, int nCount, double* pdRemove)
{
    auto pDoc = std::make_unique<CQuarnelDoc>();
    pDoc->OnNewDocument();
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(nCount));
    auto t0 = Clock::now();
    for (int i = 0; i < nCount; i++)
        pDoc->AddFile(strFiles + "/file" + std::to_string(i) + ".dat");
    double dAdd = Seconds(t0);
    for (int i = 0; i < nCount; i++)
        names.push_back("file" + std::to_string(i) + ".dat");
    t0 = Clock::now();
    int nRemoved = pDoc->RemoveFiles(names);
    *pdRemove = Seconds(t0);
    if (nRemoved != nCount || pDoc->m_nFileCount != 0)
        std::fprintf(stderr, "add/remove mismatch: %d of %d\n", nRemoved, nCount);
    return dAdd;
}

void BenchAddRemoveScaling(const std::string& strDir)
{
    std::string strFiles = strDir + "/add.files";
    fs::create_directories(strFiles);
    for (int i = 0; i < VPP_MAX_FILES; i++)
        std::ofstream(strFiles + "/file" + std::to_string(i) + ".dat") << i;
    double dRemoveSmall = 0, dRemoveLarge = 0;
    double dAddSmall = BenchAddRemove(strFiles, 8192, &dRemoveSmall);
    double dAddLarge = BenchAddRemove(strFiles, VPP_MAX_FILES, &dRemoveLarge);
    std::printf("add 8,192 files / remove them (batch):         %8.1f ms / %6.1f ms\n", dAddSmall * 1e3,
                dRemoveSmall * 1e3);
    std::printf("add 65,536 files / remove them (batch):        %8.1f ms / %6.1f ms\n", dAddLarge * 1e3,
                dRemoveLarge * 1e3);
    std::printf("  ratio 65,536 : 8,192 (add + remove) = %.1f   (linear 8, quadratic 64)\n",
                (dAddLarge + dRemoveLarge) / (dAddSmall + dRemoveSmall));
    fs::remove_all(strFiles);
}

// Opens and saves the archive; prints how far the peak resident memory rose during the save.
int SavePeak(const std::string& strArchive)
{
    auto pDoc = std::make_unique<CQuarnelDoc>();
    pDoc->OpenDocumentFile(strArchive);
    pDoc->SetModifiedFlag(true);
    long nBaseKb = ReadStatusKb("VmRSS:");
    ResetPeakRss();
    bool bOk = pDoc->OnSaveDocument(strArchive);
    long nPeakKb = ReadStatusKb("VmHWM:");
    std::printf("%8.1f MB%s", (nPeakKb - nBaseKb) / 1024.0, bOk ? "" : " (save failed)");
    std::fflush(stdout);
    return bOk ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    g_strSelf = fs::canonical("/proc/self/exe").string();
    if (argc == 3 && std::string(argv[1]) == "--save-peak")
        return SavePeak(argv[2]);
    SetMessageBoxSink([](const std::string& strText, const std::string&, unsigned) {
        std::fprintf(stderr, "message: %s\n", strText.c_str());
        return QIDOK;
    });
    bool bOwnDir = argc < 2;
    std::string strDir = bOwnDir ? "/tmp/vpp_bench_" + std::to_string(getpid()) : argv[1];
    fs::create_directories(strDir);
    BenchOpen(strDir);
    BenchSaveAndExtract(strDir);
    BenchLargeMember(strDir);
    BenchAddRemoveScaling(strDir);
    if (bOwnDir)
        fs::remove_all(strDir);
    return 0;
}
