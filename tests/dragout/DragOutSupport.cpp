// DragOutSupport.cpp
#include "DragOutSupport.h"
#include <shlobj.h>
#include <cstdio>
#include "core/VppFormat.h"

std::string Pattern(size_t nSize, int nSeed)
{
    std::string str(nSize, '\0');
    for (size_t i = 0; i < nSize; ++i)
        str[i] = static_cast<char>((i * 31 + i / 251 + nSeed) & 0xFF);
    return str;
}

bool WriteVpp(const std::string& strPath, const std::vector<std::pair<std::string, std::string>>& arrMembers)
{
    const int64_t nCount = static_cast<int64_t>(arrMembers.size());
    std::string data(static_cast<size_t>(VppDataStart(nCount)), '\0');
    for (size_t i = 0; i < arrMembers.size(); ++i)
    {
        uint8_t* pEntry = reinterpret_cast<uint8_t*>(&data[VPP_BLOCK_SIZE + VPP_ENTRY_SIZE * i]);
        WriteEntryName(pEntry, arrMembers[i].first);
        WriteLE32(pEntry + VPP_NAME_LENGTH, static_cast<uint32_t>(arrMembers[i].second.size()));
    }
    for (const auto& member : arrMembers)
    {
        data += member.second;
        data.resize(static_cast<size_t>(RoundUpToBlock(static_cast<int64_t>(data.size()))), '\0');
    }
    uint8_t* pHeader = reinterpret_cast<uint8_t*>(&data[0]);
    WriteLE32(pHeader, VPP_SIGNATURE);
    WriteLE32(pHeader + 4, VPP_VERSION);
    WriteLE32(pHeader + 8, static_cast<uint32_t>(nCount));
    WriteLE32(pHeader + 12, static_cast<uint32_t>(data.size()));
    FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile)
        return false;
    bool bOk = std::fwrite(data.data(), 1, data.size(), pFile) == data.size();
    return std::fclose(pFile) == 0 && bOk;
}

std::string ReadWholeFile(const std::string& strPath)
{
    std::string str;
    FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (!pFile)
        return "<missing>";
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), pFile)) > 0)
        str.append(buf, n);
    std::fclose(pFile);
    return str;
}

namespace
{
void DeleteTree(const std::string& strFolder)
{
    WIN32_FIND_DATAA fd;
    HANDLE hFind = ::FindFirstFileA((strFolder + "\\*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::string strName = fd.cFileName;
            if (strName == "." || strName == "..")
                continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(strFolder + "\\" + strName);
            else
                ::DeleteFileA((strFolder + "\\" + strName).c_str());
        } while (::FindNextFileA(hFind, &fd));
        ::FindClose(hFind);
    }
    ::RemoveDirectoryA(strFolder.c_str());
}

std::string Narrow(const wchar_t* psz)
{
    char sz[MAX_PATH * 2] = "";
    ::WideCharToMultiByte(CP_ACP, 0, psz, -1, sz, sizeof(sz), nullptr, nullptr);
    return sz;
}
}

std::string FreshFolder(const std::string& strPath)
{
    std::string strFolder = strPath;
    if (!strFolder.empty() && strFolder.back() == '\\')
        strFolder.pop_back();
    DeleteTree(strFolder);
    for (size_t nSep = strFolder.find('\\', 3); nSep != std::string::npos; nSep = strFolder.find('\\', nSep + 1))
        ::CreateDirectoryA(strFolder.substr(0, nSep).c_str(), nullptr);
    ::CreateDirectoryA(strFolder.c_str(), nullptr);
    return strFolder + "\\";
}

HRESULT ReadStream(IStream* pStream, std::string& strData, ULONG cbPiece)
{
    std::vector<char> buf(cbPiece);
    for (;;)
    {
        ULONG cbRead = 0;
        HRESULT hr = pStream->Read(buf.data(), cbPiece, &cbRead);
        if (FAILED(hr))
            return hr;
        if (cbRead == 0)
            return S_OK;
        strData.append(buf.data(), cbRead);
    }
}

PasteResult PasteInto(IDataObject* pData, const std::string& strFolder, ULONG cbPiece)
{
    PasteResult result;
    FORMATETC fe = { static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("FileGroupDescriptorW")), nullptr,
                     DVASPECT_CONTENT, -1, TYMED_HGLOBAL };
    STGMEDIUM medium = {};
    result.hrDescriptors = pData->GetData(&fe, &medium);
    if (FAILED(result.hrDescriptors))
        return result;
    std::vector<FILEDESCRIPTORW> arrFiles;
    auto* pGroup = static_cast<FILEGROUPDESCRIPTORW*>(::GlobalLock(medium.hGlobal));
    arrFiles.assign(pGroup->fgd, pGroup->fgd + pGroup->cItems);
    ::GlobalUnlock(medium.hGlobal);
    ::ReleaseStgMedium(&medium);

    for (size_t i = 0; i < arrFiles.size(); ++i)
    {
        std::string strName = Narrow(arrFiles[i].cFileName);
        std::string strPath = strFolder + strName;
        if ((arrFiles[i].dwFlags & FD_ATTRIBUTES) && (arrFiles[i].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        {
            ::CreateDirectoryA(strPath.c_str(), nullptr);
            continue;
        }
        FORMATETC feContents = { static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("FileContents")), nullptr,
                                 DVASPECT_CONTENT, static_cast<LONG>(i), TYMED_ISTREAM };
        STGMEDIUM contents = {};
        std::string strData;
        HRESULT hr = pData->GetData(&feContents, &contents);
        if (SUCCEEDED(hr))
        {
            hr = contents.tymed == TYMED_ISTREAM ? ReadStream(contents.pstm, strData, cbPiece) : E_UNEXPECTED;
            ::ReleaseStgMedium(&contents);
        }
        FILE* pFile = SUCCEEDED(hr) ? std::fopen(strPath.c_str(), "wb") : nullptr;
        if (!pFile)
        {
            result.arrFailed.push_back(strName);
            continue;
        }
        std::fwrite(strData.data(), 1, strData.size(), pFile);
        std::fclose(pFile);
        result.arrWritten.push_back(strName);
    }
    return result;
}
