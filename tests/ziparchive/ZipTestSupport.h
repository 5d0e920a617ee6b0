// What the archive tests share: catching the library's exceptions the way the program does, and
// reading the local headers of an archive written by the library.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RawZip.h"
#include "ziparchive/CZipArchive.h"

struct ExceptionDeleter {
    void operator()(CException* e) const {
        if (e) e->Delete();
    }
};
using CaughtZipException = std::unique_ptr<CZipException, ExceptionDeleter>;

// Runs `call` and returns the CZipException it threw (caught as CException*, as the program
// catches it), or null when it threw nothing.
template <class Call>
CaughtZipException CatchZip(Call&& call) {
    try {
        call();
    } catch (CException* e) {
        if (auto* zip = dynamic_cast<CZipException*>(e)) return CaughtZipException(zip);
        ADD_FAILURE() << "the exception is not a CZipException: " << e->GetReason().GetLength();
        e->Delete();
    }
    return nullptr;
}

inline std::string Narrow(const CString& text) {
    std::string out;
    for (wchar_t ch : text.Str()) out += ch < 128 ? static_cast<char>(ch) : '?';
    return out;
}

// Every local header from the start of an archive written without data descriptors.
inline std::vector<LocalHeader> LocalHeaders(const std::string& archive) {
    std::vector<LocalHeader> headers;
    std::size_t offset = 0;
    while (offset + 4 <= archive.size() && archive.compare(offset, 4, "PK\x03\x04") == 0) {
        headers.push_back(ReadLocalHeader(archive, offset));
        offset = headers.back().dataOffset + headers.back().compressedSize;
    }
    return headers;
}
