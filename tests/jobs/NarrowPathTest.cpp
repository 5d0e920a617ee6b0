// ToNarrowPath: text in the thread's ANSI code page.
#include <gtest/gtest.h>

#include "jobs/NarrowPath.h"

namespace {

TEST(NarrowPath, GivesTheCodePagesBytesAndTheDefaultCharacterForOthers) {
    EXPECT_EQ("", ToNarrowPath(CString()));
    EXPECT_EQ("C:\\data\\photos.zip", ToNarrowPath(L"C:\\data\\photos.zip"));
    if (::GetACP() != 1252) GTEST_SKIP() << "the rest is written for code page 1252; this system uses " << ::GetACP();
    EXPECT_EQ("caf\xE9 \x80", ToNarrowPath(L"café €"));
    EXPECT_EQ("?.zip", ToNarrowPath(L"中.zip"));
}

}   // namespace
