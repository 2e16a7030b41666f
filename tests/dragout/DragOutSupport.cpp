// DragOutSupport.cpp
#include "DragOutSupport.h"
#include <shlobj.h>
#include <cstdio>

std::string Pattern(size_t nSize, int nSeed)
{
    std::string str(nSize, '\0');
    for (size_t i = 0; i < nSize; ++i)
        str[i] = static_cast<char>((i * 31 + i / 251 + nSeed) & 0xFF);
    return str;
}

std::string Narrow(const wchar_t* psz)
{
    char sz[MAX_PATH * 2] = "";
    ::WideCharToMultiByte(CP_ACP, 0, psz, -1, sz, sizeof(sz), nullptr, nullptr);
    return sz;
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
