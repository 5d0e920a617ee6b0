// The passwords the user gives during one unzip job, and the asking. Each encrypted entry is tried
// first with the passwords given so far, the one that fitted last first; when none fits, the user is
// asked for that entry's ("Wrong password." and again while a new one does not fit either). After a
// Skip, an entry that no given password fits is left out without asking.
#pragma once

#include <string>
#include <vector>

#include "base/CString.h"
#include "ziparchive/CZipArchive.h"

class JobPasswords {
public:
    explicit JobPasswords(const CString& archivePath) : m_archivePath(archivePath) {}
    ~JobPasswords();   // every password is wiped (SecureZeroMemory)
    JobPasswords(const JobPasswords&) = delete;
    JobPasswords& operator=(const JobPasswords&) = delete;

    enum Outcome { tested, damaged, skipped };
    // Tests the encrypted entry `index` (named `entryName`) under a password that fits it, which
    // stays set in `archive` for its extraction. damaged: its data failed their test. skipped: no
    // password for it. Throws what TestFile throws besides a wrong password, and when stopped.
    Outcome Test(CZipArchive& archive, ZIP_INDEX_TYPE index, const CString& entryName, unsigned long bufferSize);

private:
    enum Try { fits, corrupt, wrong };
    static Try TryPassword(CZipArchive& archive, const std::wstring& password, ZIP_INDEX_TYPE index,
                           unsigned long bufferSize);

    CString m_archivePath;
    std::vector<std::wstring> m_given;   // the one that fitted last first
    bool m_skipping = false;
};

// Overwrites the string's whole buffer and empties it.
void WipePassword(std::wstring& password);
