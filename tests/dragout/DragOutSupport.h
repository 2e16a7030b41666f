// DragOutSupport.h: member contents that show a wrong offset, and a paste of virtual files as the shell does it.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <string>
#include <vector>

/// Bytes that differ from one position to the next, so a read from a wrong offset shows.
std::string Pattern(size_t nSize, int nSeed);
/// A wide file name in the ANSI code page.
std::string Narrow(const wchar_t* psz);

/** What a paste wrote and which of its files failed. */
struct PasteResult
{
    HRESULT hrDescriptors = E_FAIL;
    std::vector<std::string> arrWritten;   ///< relative names of the files written whole
    std::vector<std::string> arrFailed;    ///< relative names whose stream failed
};

/// Writes the files of a FileGroupDescriptorW/FileContents data object into a folder, reading each
/// stream in pieces of cbPiece bytes; a file whose stream fails is deleted again.
PasteResult PasteInto(IDataObject* pData, const std::string& strFolder, ULONG cbPiece = 64 * 1024);
/// All of a stream, read in pieces of cbPiece bytes; the failing HRESULT when a read fails.
HRESULT ReadStream(IStream* pStream, std::string& strData, ULONG cbPiece);
