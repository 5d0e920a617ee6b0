#include "jobs/JobPasswords.h"

#include <windows.h>

#include "jobs/JobStop.h"
#include "jobs/PasswordPrompt.h"

void WipePassword(std::wstring& password) {
    password.resize(password.capacity());   // past the end may lie an earlier, longer password
    ::SecureZeroMemory(&password[0], password.size() * sizeof(wchar_t));
    password.clear();
}

JobPasswords::~JobPasswords() {
    for (std::wstring& password : m_given) WipePassword(password);
}

JobPasswords::Try JobPasswords::TryPassword(CZipArchive& archive, const std::wstring& password, ZIP_INDEX_TYPE index,
                                            unsigned long bufferSize) {
    archive.SetPassword(password.c_str());
    try {
        return archive.TestFile(index, bufferSize) ? fits : corrupt;
    } catch (CException* e) {
        const auto* zipError = dynamic_cast<const CZipException*>(e);
        if (!zipError || zipError->m_iCause != CZipException::badPassword) throw;
        e->Delete();
        return wrong;
    }
}

JobPasswords::Outcome JobPasswords::Test(CZipArchive& archive, ZIP_INDEX_TYPE index, const CString& entryName,
                                         unsigned long bufferSize) {
    for (std::size_t i = 0; i < m_given.size(); ++i) {
        const Try result = TryPassword(archive, m_given[i], index, bufferSize);
        if (result == wrong) continue;
        std::swap(m_given[0], m_given[i]);   // swapped, not copied: no stray copy to wipe
        return result == fits ? tested : damaged;
    }
    if (m_skipping) return skipped;
    bool wrongBefore = false;
    for (;;) {
        std::wstring typed;
        if (!AskPassword(m_archivePath, entryName, wrongBefore, typed)) {
            WipePassword(typed);
            ThrowIfStopRequested();
            m_skipping = true;
            return skipped;
        }
        Try result = wrong;
        try {
            result = TryPassword(archive, typed, index, bufferSize);
        } catch (...) {
            WipePassword(typed);
            throw;
        }
        if (result == wrong) {
            WipePassword(typed);
            wrongBefore = true;
            continue;
        }
        m_given.insert(m_given.begin(), std::wstring());
        m_given.front().swap(typed);
        return result == fits ? tested : damaged;
    }
}
