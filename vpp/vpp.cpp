// vpp.cpp: command-line front end over the archive document: list, new, add, remove, extract.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "core/QuarnelDoc.h"
#include "framework/base/MessageSink.h"

namespace {

const char* const USAGE =
    "usage: vpp list ARCHIVE                   name, size and offset of each member, tab-separated\n"
    "       vpp new ARCHIVE                    write an empty archive (never over an existing file)\n"
    "       vpp add ARCHIVE FILE...            add or replace members (names compare ignoring case)\n"
    "       vpp remove ARCHIVE NAME...         remove members (exact names)\n"
    "       vpp extract ARCHIVE DIR [NAME...]  extract members into DIR (all when no name is given;\n"
    "                                          an empty DIR is the current folder)\n"
    "       vpp --help\n";

const char* const NO_MEMBER_TEXT = "No member of that name.";

#ifndef _WIN32
// The length of the valid UTF-8 sequence at s[i] (2 to 4), or 0 when the bytes there are none.
size_t Utf8SequenceLength(const std::string& s, size_t i)
{
    auto at = [&](size_t n) { return i + n < s.size() ? static_cast<unsigned char>(s[i + n]) : 0u; };
    auto cont = [&](size_t n) { return (at(n) & 0xC0) == 0x80; };
    unsigned u = at(0);
    if (u >= 0xC2 && u <= 0xDF)
        return cont(1) ? 2 : 0;
    if (u >= 0xE0 && u <= 0xEF) {
        unsigned lo = u == 0xE0 ? 0xA0 : 0x80, hi = u == 0xED ? 0x9F : 0xBF;  // no overlong forms, no surrogates
        return at(1) >= lo && at(1) <= hi && cont(2) ? 3 : 0;
    }
    if (u >= 0xF0 && u <= 0xF4) {
        unsigned lo = u == 0xF0 ? 0x90 : 0x80, hi = u == 0xF4 ? 0x8F : 0xBF;
        return at(1) >= lo && at(1) <= hi && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}
#endif

// Text for one output line: "\" and every control character are written as escapes (\\, \xHH), so
// that a hostile name can neither be mistaken for another, nor break the tab-separated columns, nor
// send control sequences to a terminal. The native tool prints UTF-8, where a byte that is not part
// of valid UTF-8 and the C1 controls U+0080-U+009F are escaped as well; vpp.exe prints the code
// page's bytes, which are letters there.
std::string Escape(const std::string& strText)
{
    std::string strOut;
    auto hex = [&strOut](unsigned char u) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", u);
        strOut += buf;
    };
    for (size_t i = 0; i < strText.size(); i++) {
        unsigned char u = static_cast<unsigned char>(strText[i]);
        if (u == '\\') {
            strOut += "\\\\";
        } else if (u < 0x20 || u == 0x7F) {
            hex(u);
        } else if (u < 0x80) {
            strOut += static_cast<char>(u);
        } else {
#ifdef _WIN32
            strOut += static_cast<char>(u);
#else
            size_t n = Utf8SequenceLength(strText, i);
            if (n == 0) {
                hex(u);
            } else if (n == 2 && u == 0xC2 && static_cast<unsigned char>(strText[i + 1]) <= 0x9F) {
                hex(u);
                hex(static_cast<unsigned char>(strText[++i]));
            } else {
                strOut.append(strText, i, n);
                i += n - 1;
            }
#endif
        }
    }
    return strOut;
}

void PrintFailure(const std::string& strWhat, const std::string& strText)
{
    std::fprintf(stderr, "%s: %s\n", Escape(strWhat).c_str(), Escape(strText).c_str());
}

void PrintMessage(const std::string& strText) { std::fprintf(stderr, "vpp: %s\n", Escape(strText).c_str()); }

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

// Opens the archive. With bForChange, an archive holding more members than the document can keep
// is refused: saving it would drop the members beyond the limit.
bool OpenArchive(CQuarnelDoc& doc, const std::string& strArchive, bool bForChange)
{
    if (!doc.OpenDocumentFile(strArchive))
        return false;
    if (bForChange && doc.GetMembersLeftOut() > 0) {
        const int64_t nLeftOut = doc.GetMembersLeftOut();
        PrintMessage(strArchive + " was not changed: it holds more than " + std::to_string(VPP_MAX_FILES) +
                     " members, and saving it would lose the " + std::to_string(nLeftOut) +
                     (nLeftOut == 1 ? " member" : " members") + " beyond that");
        return false;
    }
    return true;
}

// After list or extract: members beyond the limit were not seen, which counts as a failure.
bool ReportLeftOut(const CQuarnelDoc& doc)
{
    if (doc.GetMembersLeftOut() == 0)
        return false;
    const long long nLeftOut = doc.GetMembersLeftOut();
    std::fprintf(stderr, "vpp: %lld %s beyond the first %d %s left out\n", nLeftOut, nLeftOut == 1 ? "member" : "members",
                 VPP_MAX_FILES, nLeftOut == 1 ? "was" : "were");
    return true;
}

bool Save(CQuarnelDoc& doc, const std::string& strArchive)
{
    if (doc.OnSaveDocument(strArchive))
        return true;
    PrintSaveFailureReport(doc.GetSaveFailureReport());
    PrintMessage(strArchive + " was not saved");
    return false;
}

int CmdList(CQuarnelDoc& doc, const std::string& strArchive)
{
    if (!OpenArchive(doc, strArchive, false))
        return 1;
    for (int32_t i = 0; i < doc.m_nFileCount; i++) {
        const VppEntry& e = doc.m_entries[i];
        std::printf("%s\t%d\t%d\n", Escape(e.m_strName).c_str(), e.m_nSize, e.m_nOffset);
    }
    return ReportLeftOut(doc) ? 1 : 0;
}

int CmdNew(CQuarnelDoc& doc, const std::string& strArchive)
{
    // A slip of the command (new for add, or the wrong name) must not empty an archive or overwrite
    // another file. A link that leads nowhere is left to the save, which says so.
    const FileKind kind = CFile::GetKind(strArchive);
    if (kind != FileKind::none && !(kind == FileKind::link && !CFile::Exists(strArchive))) {
        PrintMessage(strArchive + " already exists. It was not changed.");
        return 1;
    }
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
            PrintFailure(names[i], NO_MEMBER_TEXT);
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
    CExtractSession session(doc);  // the archive is opened once for all members
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
                PrintFailure(strName, nCode == EXTRACT_RESULT_NOT_FOUND ? NO_MEMBER_TEXT : CQuarnelDoc::GetExtractResultText(nCode));
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

#ifdef _WIN32
// The arguments as the code page spells them. The narrow command line would map a character the
// code page lacks to a look-alike ("Ō" to "O") and so name another file: the wide one is converted
// without that mapping, and an argument the code page cannot hold is refused.
bool GetArguments(std::vector<std::string>& args)
{
    int nCount = 0;
    LPWSTR* ppArgs = CommandLineToArgvW(GetCommandLineW(), &nCount);
    if (!ppArgs)
        return false;
    const UINT nCodePage = GetACP();
    const DWORD dwFlags = nCodePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    bool bOk = true;
    for (int i = 1; i < nCount && bOk; i++) {
        const int cch = static_cast<int>(wcslen(ppArgs[i]));
        BOOL bDefault = FALSE;
        BOOL* pDefault = nCodePage == CP_UTF8 ? nullptr : &bDefault;
        int cb = cch ? WideCharToMultiByte(nCodePage, dwFlags, ppArgs[i], cch, nullptr, 0, nullptr, pDefault) : 0;
        std::string strArg(static_cast<size_t>(cb), '\0');
        if (cch && (cb <= 0 || WideCharToMultiByte(nCodePage, dwFlags, ppArgs[i], cch, &strArg[0], cb, nullptr, pDefault) != cb ||
                    bDefault)) {
            // Shown with "?" for what the code page lacks.
            int cbShown = WideCharToMultiByte(nCodePage, 0, ppArgs[i], cch, nullptr, 0, nullptr, nullptr);
            std::string strShown(static_cast<size_t>(cbShown > 0 ? cbShown : 0), '\0');
            if (cbShown > 0)
                WideCharToMultiByte(nCodePage, nCodePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS, ppArgs[i], cch, &strShown[0],
                                    cbShown, nCodePage == CP_UTF8 ? nullptr : "?", nullptr);
            PrintMessage(strShown + ": the name has characters that the system's code page (" + std::to_string(nCodePage) +
                         ") cannot hold; nothing was done. Rename the file, or run the tool with a code page that has them.");
            bOk = false;
        }
        args.push_back(strArg);
    }
    LocalFree(ppArgs);
    return bOk;
}
#endif

// Standard output is checked once everything is written: a full disk or a closed pipe is a failure.
int Finish(int nCode)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        PrintMessage(std::string("the output could not be written: ") + std::strerror(errno));
        return 1;
    }
    return nCode;
}

int Run(const std::vector<std::string>& args);

}  // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    (void)argc;
    (void)argv;
    std::vector<std::string> args;
    if (!GetArguments(args))
        return 2;
#else
    std::vector<std::string> args(argv + 1, argv + argc);
#endif
    return Finish(Run(args));
}

namespace {

int Run(const std::vector<std::string>& args)
{
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (args.size() < 2)
        return Usage();

    SetMessageBoxSink([](const std::string& strText, const std::string&, unsigned) {
        PrintMessage(strText);
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

}  // namespace
