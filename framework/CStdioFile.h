// CStdioFile: a stream of bytes read from the start to the end, then closed. The program meets it
// as what CInternetSession::OpenURL returns: the body of a reply (see CHttpFile).
#pragma once

#include <windows.h>

class CStdioFile {
public:
    CStdioFile() = default;
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;
    virtual ~CStdioFile() = default;

    // Copies up to count bytes into buffer and returns how many; 0 at the end of the stream.
    // A failure raises an exception of the CException family.
    virtual UINT Read(void* buffer, UINT count) = 0;
    // Releases the stream; reading afterwards fails. Closing twice does nothing.
    virtual void Close() = 0;
};
