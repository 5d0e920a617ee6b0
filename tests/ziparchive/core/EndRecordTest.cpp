// The end records an archive can end with, and the one reading each gives: the last record that is
// not text in an earlier one's comment, its comment cut where the file ends; once a later record has
// been found, an earlier one is never read, even when the later one is inconsistent.
#include "TestSupport.h"

#include "core/ZipFormat.h"

#include <functional>

using namespace zipcore;
using namespace ziptest;

namespace {

constexpr std::size_t kDirectorySizeField = 12; // within an end record
constexpr std::size_t kCommentLengthField = 20;

// An archive of one stored entry, `name`, whose content names it too.
Bytes Archive(const std::string& name, const std::string& comment = "", const std::string& trailing = "") {
  TestArchive archive({TestEntry(name, "content of " + name)});
  archive.comment = comment;
  archive.trailing = trailing;
  return Build(archive);
}

std::size_t LastEndRecord(const Bytes& bytes) {
  std::size_t last = Find(bytes, "PK\x05\x06");
  for (std::size_t next = last; next != std::string::npos; next = Find(bytes, "PK\x05\x06", next + 1)) last = next;
  return last;
}

void SetCommentLength(Bytes& bytes, std::size_t record, std::uint16_t length) {
  bytes[record + kCommentLengthField] = static_cast<std::uint8_t>(length & 0xFF);
  bytes[record + kCommentLengthField + 1] = static_cast<std::uint8_t>(length >> 8);
}

// `archive` with its last end record saying that a comment `extra` bytes longer than the file holds follows.
Bytes CommentCut(Bytes archive, std::uint16_t extra = 1) {
  const std::size_t record = LastEndRecord(archive);
  SetCommentLength(archive, record, static_cast<std::uint16_t>(archive.size() - record - kEndOfCentralSize + extra));
  return archive;
}

Bytes Then(Bytes first, const Bytes& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

struct EndRecordCase {
  std::string label;
  std::function<Bytes()> make;
  std::vector<std::string> names;         // the entries read, or
  std::optional<ZipErrorKind> error = {}; // the archive refused
};

std::vector<EndRecordCase> EndRecordCases() {
  std::vector<EndRecordCase> cases;
  cases.push_back({"comment shorter than the rest of the file",
                   [] { return Archive("a.txt", "note", "junk after it"); },
                   {"a.txt"}});
  cases.push_back({"comment running past the end of the file",
                   [] { return CommentCut(Archive("a.txt", "note"), 300); },
                   {"a.txt"}});
  cases.push_back({"comment running exactly to the end", [] { return Archive("a.txt", "note"); }, {"a.txt"}});
  cases.push_back(
      {"an archive in the comment", [] { return Archive("real.txt", Text(Archive("hidden.txt"))); }, {"real.txt"}});
  cases.push_back({"a zip64 archive in the comment",
                   [] {
                     TestArchive hidden({TestEntry("hidden.txt", "hidden")});
                     hidden.zip64End = true;
                     return Archive("real.txt", Text(Build(hidden)));
                   },
                   {"real.txt"}});
  cases.push_back({"a zip64 locator and end record in the comment, pointing nowhere",
                   [] {
                     TestArchive hidden({TestEntry("hidden.txt", "hidden")});
                     hidden.zip64End = true;
                     const Bytes bytes = Build(hidden);
                     const Bytes locatorOn(bytes.begin() + static_cast<std::ptrdiff_t>(Find(bytes, "PK\x06\x07")),
                                           bytes.end());
                     return Archive("real.txt", Text(locatorOn));
                   },
                   {"real.txt"}});
  cases.push_back({"an archive in the comment, its own comment cut",
                   [] { return Archive("real.txt", Text(CommentCut(Archive("hidden.txt")))); },
                   {"real.txt"}});
  cases.push_back({"an archive with its comment cut in a comment, bytes after that comment",
                   [] { return Archive("real.txt", Text(CommentCut(Archive("hidden.txt"), 300)), "junk after it"); },
                   {"real.txt"}});
  // Two directories, `file` and `FILE`, each with its end record: the last one is the archive.
  cases.push_back({"a later end record with its comment cut, an earlier sound one before it",
                   [] { return Then(Archive("file"), CommentCut(Archive("FILE"))); },
                   {"FILE"}});
  cases.push_back({"an end record whose comment ends inside a later one",
                   [] {
                     Bytes earlier = Archive("file");
                     const Bytes later = CommentCut(Archive("FILE"));
                     SetCommentLength(earlier, LastEndRecord(earlier), static_cast<std::uint16_t>(later.size() - 10));
                     return Then(earlier, later);
                   },
                   {"FILE"}});
  cases.push_back({"a later end record inconsistent, an earlier sound one before it",
                   [] {
                     Bytes later = Archive("FILE");
                     later[LastEndRecord(later) + kDirectorySizeField + 2] = 0xF0; // a directory larger than the file
                     return Then(Archive("file"), later);
                   },
                   {},
                   ZipErrorKind::BadArchive});
  cases.push_back({"a later end record with its comment cut and inconsistent, an earlier sound one before it",
                   [] {
                     Bytes later = CommentCut(Archive("FILE"));
                     later[LastEndRecord(later) + kDirectorySizeField + 2] = 0xF0;
                     return Then(Archive("file"), later);
                   },
                   {},
                   ZipErrorKind::BadArchive});
  return cases;
}

TEST(EndRecord, EveryLayoutHasOneReading) {
  for (const EndRecordCase& c : EndRecordCases()) {
    SCOPED_TRACE(c.label);
    std::unique_ptr<ZipReader> reader;
    EXPECT_EQ(ErrorOf([&] { reader = OpenMemory(c.make()); }), c.error);
    if (!reader) continue;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < reader->Count(); ++i) {
      names.push_back(reader->Entry(i).name);
      EXPECT_EQ(ReadAll(*reader, i), "content of " + names.back());
    }
    EXPECT_EQ(names, c.names);
  }
}

} // namespace
