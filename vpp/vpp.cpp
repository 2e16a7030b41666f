// vpp.cpp: command-line front end over the archive document: list, new, add, remove, extract.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/QuarnelDoc.h"
#include "framework/base/MessageSink.h"

namespace {

const char* const USAGE =
    "usage: vpp list ARCHIVE                   name, size and offset of each member, tab-separated\n"
    "       vpp new ARCHIVE                    write an empty archive\n"
    "       vpp add ARCHIVE FILE...            add or replace members (names compare ignoring case)\n"
    "       vpp remove ARCHIVE NAME...         remove members (exact names)\n"
    "       vpp extract ARCHIVE DIR [NAME...]  extract members into DIR (all when no name is given;\n"
    "                                          an empty DIR is the current folder)\n"
    "       vpp --help\n";

void PrintFailure(const std::string& strWhat, const std::string& strText)
{
    std::fprintf(stderr, "%s: %s\n", strWhat.c_str(), strText.c_str());
}

// Prints the store's failure report ("name\r\ntext\r\n\r\n" per member) as "name: text" lines.
void PrintSaveFailureReport(const std::string& strReport)
{
    size_t nPos = 0;
    while (nPos < strReport.size()) {
        size_t nEnd = strReport.find("\r\n\r\n", nPos);
        if (nEnd == std::string::npos)
            nEnd = strReport.size();
        std::string strItem = strReport.substr(nPos, nEnd - nPos);
        size_t nBreak = strItem.find("\r\n");
        if (nBreak == std::string::npos)
            PrintFailure(strItem, "could not be copied");
        else
            PrintFailure(strItem.substr(0, nBreak), strItem.substr(nBreak + 2));
        nPos = nEnd + 4;
    }
}

// A name for a tab-separated line: control characters (a tab or a line break in a hostile name would
// break the columns) are printed as \xHH.
std::string EscapeForList(const std::string& strName)
{
    std::string strOut;
    for (char c : strName) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", u);
            strOut += buf;
        } else {
            strOut += c;
        }
    }
    return strOut;
}

// Opens the archive. With bForChange, an archive holding more members than the document can keep
// is refused: saving it would drop the members beyond the limit.
bool OpenArchive(CQuarnelDoc& doc, const std::string& strArchive, bool bForChange)
{
    if (!doc.OpenDocumentFile(strArchive))
        return false;
    if (bForChange && doc.GetMembersLeftOut() > 0) {
        std::fprintf(stderr, "vpp: %s was not changed: it holds more than %d members, and saving it would lose "
                             "the %lld beyond that\n",
                     strArchive.c_str(), VPP_MAX_FILES, static_cast<long long>(doc.GetMembersLeftOut()));
        return false;
    }
    return true;
}

// After list or extract: members beyond the limit were not seen, which counts as a failure.
bool ReportLeftOut(const CQuarnelDoc& doc)
{
    if (doc.GetMembersLeftOut() == 0)
        return false;
    std::fprintf(stderr, "vpp: %lld members beyond the first %d were left out\n",
                 static_cast<long long>(doc.GetMembersLeftOut()), VPP_MAX_FILES);
    return true;
}

bool Save(CQuarnelDoc& doc, const std::string& strArchive)
{
    if (doc.OnSaveDocument(strArchive))
        return true;
    PrintSaveFailureReport(doc.GetSaveFailureReport());
    std::fprintf(stderr, "vpp: %s was not saved\n", strArchive.c_str());
    return false;
}

int CmdList(CQuarnelDoc& doc, const std::string& strArchive)
{
    if (!OpenArchive(doc, strArchive, false))
        return 1;
    for (int32_t i = 0; i < doc.m_nFileCount; i++) {
        const VppEntry& e = doc.m_entries[i];
        std::printf("%s\t%d\t%d\n", EscapeForList(e.m_strName).c_str(), e.m_nSize, e.m_nOffset);
    }
    return ReportLeftOut(doc) ? 1 : 0;
}

int CmdNew(CQuarnelDoc& doc, const std::string& strArchive)
{
    doc.OnNewDocument();
    return Save(doc, strArchive) ? 0 : 1;
}

int CmdAdd(CQuarnelDoc& doc, const std::string& strArchive, const std::vector<std::string>& files)
{
    if (!OpenArchive(doc, strArchive, true))
        return 1;
    bool bFailed = false, bChanged = false;
    for (const std::string& strFile : files) {
        int nCode = doc.AddFile(strFile);
        if (nCode < 0) {
            PrintFailure(strFile, CQuarnelDoc::GetAddResultText(nCode));
            bFailed = true;
        } else {
            bChanged = true;
        }
    }
    if (bChanged && !Save(doc, strArchive))
        return 1;
    return bFailed ? 1 : 0;
}

int CmdRemove(CQuarnelDoc& doc, const std::string& strArchive, const std::vector<std::string>& names)
{
    if (!OpenArchive(doc, strArchive, true))
        return 1;
    std::vector<int> results;
    int nRemoved = doc.RemoveFiles(names, &results);
    bool bFailed = false;
    for (size_t i = 0; i < names.size(); i++) {
        if (!results[i]) {
            PrintFailure(names[i], "No member of that name.");
            bFailed = true;
        }
    }
    if (nRemoved > 0 && !Save(doc, strArchive))
        return 1;
    return bFailed ? 1 : 0;
}

int CmdExtract(CQuarnelDoc& doc, const std::string& strArchive, const std::string& strFolder,
               const std::vector<std::string>& names)
{
    if (!OpenArchive(doc, strArchive, false))
        return 1;
    bool bFailed = false;
    if (names.empty()) {
        // By index: a later member of the same name overwrites an earlier one, as by name would.
        for (int32_t i = 0; i < doc.m_nFileCount; i++) {
            int nCode = doc.ExtractEntry(i, strFolder);
            if (nCode < 0) {
                PrintFailure(doc.m_entries[i].m_strName, CQuarnelDoc::GetExtractResultText(nCode));
                bFailed = true;
            }
        }
    } else {
        for (const std::string& strName : names) {
            int nCode = doc.ExtractFile(strName, strFolder);
            if (nCode < 0) {
                PrintFailure(strName, CQuarnelDoc::GetExtractResultText(nCode));
                bFailed = true;
            }
        }
    }
    if (ReportLeftOut(doc))
        bFailed = true;
    return bFailed ? 1 : 0;
}

#ifdef _WIN32
// Windows accepts "/" in paths, but the archive core separates only at "\": a member added as
// "sub/s.txt" would keep the whole text as its name. "/" is never the second byte of a
// double-byte character, so a plain byte swap is safe.
std::string WindowsPath(std::string strPath)
{
    for (char& c : strPath)
        if (c == '/')
            c = '\\';
    return strPath;
}
#else
std::string WindowsPath(const std::string& strPath) { return strPath; }
#endif

int Usage()
{
    std::fputs(USAGE, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (args.size() < 2)
        return Usage();

    SetMessageBoxSink([](const std::string& strText, const std::string&, unsigned) {
        std::fprintf(stderr, "vpp: %s\n", strText.c_str());
        return QIDOK;
    });
    auto pDoc = std::make_unique<CQuarnelDoc>();
    pDoc->OnNewDocument();
    const std::string& strCommand = args[0];
    const std::string strArchive = WindowsPath(args[1]);
    std::vector<std::string> rest(args.begin() + 2, args.end());
    // The paths among the arguments: the files to add and the folder to extract into. Member names
    // (remove, extract) are compared exactly and stay as given.
    if (strCommand == "add")
        for (std::string& strFile : rest)
            strFile = WindowsPath(strFile);
    if (strCommand == "extract" && !rest.empty())
        rest[0] = WindowsPath(rest[0]);

    if (strCommand == "list" && rest.empty())
        return CmdList(*pDoc, strArchive);
    if (strCommand == "new" && rest.empty())
        return CmdNew(*pDoc, strArchive);
    if (strCommand == "add" && !rest.empty())
        return CmdAdd(*pDoc, strArchive, rest);
    if (strCommand == "remove" && !rest.empty())
        return CmdRemove(*pDoc, strArchive, rest);
    if (strCommand == "extract" && !rest.empty())
        return CmdExtract(*pDoc, strArchive, rest[0], std::vector<std::string>(rest.begin() + 1, rest.end()));
    return Usage();
}
