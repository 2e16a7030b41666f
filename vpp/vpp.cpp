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
    "       vpp extract ARCHIVE DIR [NAME...]  extract members into DIR (all when no name is given)\n"
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
    if (!doc.OpenDocumentFile(strArchive))
        return 1;
    for (int32_t i = 0; i < doc.m_nFileCount; i++) {
        const VppEntry& e = doc.m_entries[i];
        std::printf("%s\t%d\t%d\n", e.m_strName.c_str(), e.m_nSize, e.m_nOffset);
    }
    return 0;
}

int CmdNew(CQuarnelDoc& doc, const std::string& strArchive)
{
    doc.OnNewDocument();
    return Save(doc, strArchive) ? 0 : 1;
}

int CmdAdd(CQuarnelDoc& doc, const std::string& strArchive, const std::vector<std::string>& files)
{
    if (!doc.OpenDocumentFile(strArchive))
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
    if (!doc.OpenDocumentFile(strArchive))
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
    if (!doc.OpenDocumentFile(strArchive))
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
    return bFailed ? 1 : 0;
}

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
    const std::string& strArchive = args[1];
    std::vector<std::string> rest(args.begin() + 2, args.end());

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
