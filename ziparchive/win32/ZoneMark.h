// The "downloaded from the internet" mark (the Mark of the Web): the Zone.Identifier stream that
// browsers and mail programs give the files they download, and that SmartScreen and Office's
// Protected View look for. As Explorer does, every file unpacked from a marked archive gets the
// archive's mark, so that the checks still apply to it.
#pragma once

#include <atomic>
#include <memory>
#include <string>

namespace zipfacade {

class ZoneMark {
public:
    // The mark of the file at longPath (as made by ToLongPath), or nullptr when it has none or its
    // file system has no streams. A mark that cannot be read (locked, over 64 KiB, not text) is
    // taken as the internet zone with no addresses: the reading that keeps the checks.
    static std::shared_ptr<ZoneMark> Of(const std::wstring& longPath);

    explicit ZoneMark(std::string content) : m_content(std::move(content)) {}
    const std::string& Content() const { return m_content; }

    // Writes the mark onto the file at longPath, which must be open for writing with
    // FILE_SHARE_WRITE (Wine checks a stream's sharing against its file's handles) and not be
    // pending deletion. False when nothing was written: a file system without streams (FAT32,
    // exFAT, many shares), which is left at that, or one where a stream is known not to follow its
    // file.
    bool PutOn(const std::wstring& longPath);
    // After a file marked by PutOn has been renamed away from longOldPath. Where a "stream" is a
    // file of its own that stays behind (Wine on a file system without streams), removes it and
    // writes no more marks; checked once.
    void Moved(const std::wstring& longOldPath);
    // Before a marked file that was never moved is removed: the mark goes first, should it be a
    // file of its own.
    static void RemoveFrom(const std::wstring& longPath);

private:
    enum Travels { unknown, yes, no };
    std::string m_content;
    std::atomic<int> m_travels{unknown};
};

}   // namespace zipfacade
