// CZipArchive: the zip archive class exported by ZipArchive.dll.
//
// A C++ exception must never unwind across the DLL boundary (each module links its own static
// runtime; on 32-bit Windows that means separate DWARF unwinders). So the exported members never
// throw: they report a failure in a ZipFailure record, and the small inline members below, which
// compile into the caller, turn that record into a CZipException thrown by pointer.
#pragma once

#include <windows.h>

#include <atomic>

#include "base/CString.h"
#include "ziparchive/ZipException.h"

#ifdef ZIPARCHIVE_EXPORTS
#define ZIPARCHIVE_API __declspec(dllexport)
#else
#define ZIPARCHIVE_API __declspec(dllimport)
#endif

// Entry indexes and counts are 32-bit: an archive may hold more than 65,535 entries.
typedef unsigned int ZIP_INDEX_TYPE;

// A failure as it crosses the DLL boundary: plain data only.
struct ZipFailure {
    int cause = CZipException::generic;   // a CZipException::Cause; generic with failed == false means success
    bool failed = false;
    DWORD osError = 0;
    wchar_t reason[512] = {};
    wchar_t path[1024] = {};
};

class ZIPARCHIVE_API CZipArchive {
public:
    enum OpenMode { zipOpen = 1, zipCreate = 4 };
    enum CompressionMethod { methodStore = 0, methodDeflate = 8, methodBzip2 = 12 };
    // Smartness flags of AddNewFile; 7 asks for all three.
    enum Smartness {
        smartStoreIfLarger = 1,   // store the entry when its compressed form would not be smaller
        smartCheckSize = 2,       // fail when the file changes size while it is read
        smartNotSelf = 4          // refuse to add the archive's own file (or its temporary file)
    };

    CZipArchive();
    virtual ~CZipArchive();   // an archive being created and never closed leaves no file behind
    CZipArchive(const CZipArchive&) = delete;
    CZipArchive& operator=(const CZipArchive&) = delete;

    // Set by the caller before Open; the library adds the bytes it reads (of the archive when
    // testing or extracting, of the files when adding) to m_progressDone on the calling thread.
    ULONGLONG m_progressDone = 0;
    // Set by the caller, read by the library between buffers: once the word it points to is
    // non-zero, the running call removes what it was writing and fails with cause stopped. Only a
    // pointer crosses the DLL; the caller keeps the word alive while the archive object lives.
    const std::atomic<int>* m_stopRequest = nullptr;

    // mode zipOpen reads an existing archive; zipCreate writes a new one (to a temporary file
    // beside the path, moved into place only by a successful Close). volumeSize must be 0.
    bool Open(const wchar_t* path, int mode = zipOpen, unsigned long volumeSize = 0) {
        ZipFailure failure;
        const bool ok = OpenImpl(path, mode, volumeSize, failure);
        Raise(failure);
        return ok;
    }
    ZIP_INDEX_TYPE GetCount() const { return GetCountImpl(); }

    // false when the entry's data is corrupt (bad compressed data, wrong CRC or size); throws for any other failure.
    bool TestFile(ZIP_INDEX_TYPE index, unsigned long bufferSize = 65536) {
        ZipFailure failure;
        const bool ok = TestFileImpl(index, bufferSize, failure);
        Raise(failure);
        return ok;
    }
    // What ExtractFile (with fullPath) does with entry index, for a caller that unpacks everything and
    // tells what happened. storedName is the entry's name in the archive ("/" separators), diskName
    // the path below the folder it is written to ("\" separators): the name made one that Windows
    // can hold and that no other entry of the archive takes (no entry ever overwrites another).
    // skipReason is empty when the entry can be extracted, otherwise why not, in a few words
    // ("encrypted", "compression method PPMd not supported", "part of a split archive"): such an
    // entry is skipped, the others can still be unpacked. Returns true when diskName differs from
    // storedName. Names longer than the buffers are cut.
    bool GetEntryPlan(ZIP_INDEX_TYPE index, CString& storedName, CString& diskName, CString& skipReason) {
        ZipFailure failure;
        wchar_t stored[1024] = {}, disk[1024] = {}, reason[256] = {};
        const bool changed = GetEntryPlanImpl(index, stored, disk, reason, failure);
        Raise(failure);
        storedName = stored;
        diskName = disk;
        skipReason = reason;
        return changed;
    }
    // Extracts into folder (created as needed); fullPath recreates the entry's stored folders;
    // newName, when given, replaces the stored name. Restores the entry's modification time.
    bool ExtractFile(ZIP_INDEX_TYPE index, const wchar_t* folder, bool fullPath = true,
                     const wchar_t* newName = nullptr, unsigned long bufferSize = 65536) {
        ZipFailure failure;
        const bool ok = ExtractFileImpl(index, folder, fullPath, newName, bufferSize, failure);
        Raise(failure);
        return ok;
    }
    // True when entry index is encrypted in a way the library decrypts (traditional PKWARE
    // encryption, WinZip AES): TestFile and ExtractFile then need its password (SetPassword).
    bool IsEncryptedEntry(ZIP_INDEX_TYPE index) {
        ZipFailure failure;
        const bool encrypted = IsEncryptedEntryImpl(index, failure);
        Raise(failure);
        return encrypted;
    }
    // The password for the encrypted entries tested or extracted from now on; null or empty: none.
    // It is tried as UTF-8, then in the ANSI and the OEM code page (older Windows tools used
    // those). When it fits none of them, TestFile and ExtractFile fail with cause badPassword
    // before writing anything. The library keeps only those byte forms, and wipes them when the
    // password is replaced and when the archive is closed.
    bool SetPassword(const wchar_t* password) {
        ZipFailure failure;
        const bool ok = SetPasswordImpl(password, failure);
        Raise(failure);
        return ok;
    }
    bool SetCompressionMethod(unsigned short method) {
        ZipFailure failure;
        const bool ok = SetCompressionMethodImpl(method, failure);
        Raise(failure);
        return ok;
    }
    // Adds the file fileName (relative to the current directory, or absolute); with fullPath the
    // entry is named by that relative path ("\" stored as "/"), otherwise by the file name alone.
    // level -1 is the library's default.
    bool AddNewFile(const wchar_t* fileName, int level = -1, bool fullPath = true,
                    int smartness = smartStoreIfLarger | smartCheckSize | smartNotSelf,
                    unsigned long bufferSize = 65536) {
        ZipFailure failure;
        const bool ok = AddNewFileImpl(fileName, level, fullPath, smartness, bufferSize, failure);
        Raise(failure);
        return ok;
    }
    // Adds the file at filePath (absolute, any length, or relative to the current directory)
    // under exactly entryName ("\" stored as "/"): for callers whose files lie deeper than the
    // current directory can reach.
    bool AddNewFileAs(const wchar_t* filePath, const wchar_t* entryName, int level = -1,
                      int smartness = smartStoreIfLarger | smartCheckSize | smartNotSelf,
                      unsigned long bufferSize = 65536) {
        ZipFailure failure;
        const bool ok = AddNewFileAsImpl(filePath, entryName, level, smartness, bufferSize, failure);
        Raise(failure);
        return ok;
    }
    // Finishes the archive (for a new one: writes its directory and moves it into place) and
    // closes it. afterException != 0 closes without finishing and never throws. Returns the
    // archive's path.
    CString Close(int afterException = 0, bool updateTimeStamp = false) {
        ZipFailure failure;
        wchar_t path[1024] = {};
        CloseImpl(afterException, updateTimeStamp, path, 1024, failure);
        if (afterException == 0) Raise(failure);
        return CString(path);
    }

private:
    static void Raise(const ZipFailure& failure) {
        if (failure.failed) throw new CZipException(failure.cause, failure.osError, failure.reason, failure.path);
    }

    bool OpenImpl(const wchar_t* path, int mode, unsigned long volumeSize, ZipFailure& failure);
    ZIP_INDEX_TYPE GetCountImpl() const;
    bool TestFileImpl(ZIP_INDEX_TYPE index, unsigned long bufferSize, ZipFailure& failure);
    bool GetEntryPlanImpl(ZIP_INDEX_TYPE index, wchar_t (&stored)[1024], wchar_t (&disk)[1024], wchar_t (&reason)[256],
                          ZipFailure& failure);
    bool ExtractFileImpl(ZIP_INDEX_TYPE index, const wchar_t* folder, bool fullPath, const wchar_t* newName,
                         unsigned long bufferSize, ZipFailure& failure);
    bool IsEncryptedEntryImpl(ZIP_INDEX_TYPE index, ZipFailure& failure);
    bool SetPasswordImpl(const wchar_t* password, ZipFailure& failure);
    bool SetCompressionMethodImpl(unsigned short method, ZipFailure& failure);
    bool AddNewFileImpl(const wchar_t* fileName, int level, bool fullPath, int smartness, unsigned long bufferSize,
                        ZipFailure& failure);
    bool AddNewFileAsImpl(const wchar_t* filePath, const wchar_t* entryName, int level, int smartness,
                          unsigned long bufferSize, ZipFailure& failure);
    void CountAndCheckStop(unsigned long long bytes);
    void CloseImpl(int afterException, bool updateTimeStamp, wchar_t* pathOut, unsigned pathChars, ZipFailure& failure);

    struct Impl;
    Impl* m_impl;
};
