// The reply rules over bytes: what a reply from the update server means.
#include <gtest/gtest.h>

#include <string>

#include "update/UpdateReply.h"

namespace {

struct ReplyCase {
    const char* name;
    DWORD status;
    std::string body;
    bool available;
    const wchar_t* address;   // expected when available
};

std::ostream& operator<<(std::ostream& out, const ReplyCase& c) { return out << c.name; }

class ReplyRules : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyRules, DecideAsExpected) {
    const ReplyCase& c = GetParam();
    const UpdateOffer offer = ReadUpdateReply(c.status, c.body);
    EXPECT_EQ(c.available, offer.available);
    if (c.available) EXPECT_EQ(std::wstring(c.address), offer.address.Str());
    else EXPECT_TRUE(offer.address.IsEmpty());
}

const std::string kAddress = "http://downloads.tavoline.test/setup-20.exe";

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyRules,
    ::testing::Values(ReplyCase{"newer version", 200, "0000020\n" + kAddress + "\n", true,
                                L"http://downloads.tavoline.test/setup-20.exe"},
                      ReplyCase{"same version", 200, "0000019\n" + kAddress + "\n", false, L""},
                      ReplyCase{"much newer", 200, "9999999\nhttps://t.test/x\n", true, L"https://t.test/x"},
                      ReplyCase{"zero", 200, "0000000\n" + kAddress + "\n", false, L""},
                      ReplyCase{"text after the digits", 200, "0000020 (spring release)\nhttp://t.test/a\n", true,
                                L"http://t.test/a"},
                      ReplyCase{"eighth digit ignored", 200, "00000199\nhttp://t.test/a\n", false, L""},
                      ReplyCase{"crlf line ends", 200, "0000020\r\nhttp://t.test/a\r\n", true, L"http://t.test/a"},
                      ReplyCase{"line 2 without lf", 200, "0000020\nhttp://t.test/a", true, L"http://t.test/a"},
                      ReplyCase{"bytes after line 2", 200, "0000020\nhttp://t.test/a\nhttp://other.test/b\n", true,
                                L"http://t.test/a"},
                      ReplyCase{"no lf at all", 200, "0000020", false, L""},
                      ReplyCase{"empty line 2", 200, "0000020\n\n", false, L""},
                      ReplyCase{"empty reply", 200, "", false, L""},
                      ReplyCase{"short line 1", 200, "20\nhttp://t.test/a\n", false, L""},
                      ReplyCase{"one digit", 200, "2", false, L""},
                      ReplyCase{"error page", 200, "<html><body>Not here</body></html>\n", false, L""},
                      ReplyCase{"sign in the digits", 200, "-000020\nhttp://t.test/a\n", false, L""},
                      ReplyCase{"blank in the digits", 200, "00 0020\nhttp://t.test/a\n", false, L""},
                      ReplyCase{"high byte in the digits", 200,
                                "000\xB2"
                                "020\nhttp://t.test/a\n",
                                false, L""},
                      ReplyCase{"not found", 404, "0000020\nhttp://t.test/a\n", false, L""},
                      ReplyCase{"server error", 500, "0000020\nhttp://t.test/a\n", false, L""},
                      ReplyCase{"redirect page", 302, "0000020\nhttp://t.test/a\n", false, L""},
                      ReplyCase{"status unknown", 0, "0000020\nhttp://t.test/a\n", false, L""},
                      ReplyCase{"scheme in capitals", 200, "0000020\nHTTPS://T.TEST/A\n", true, L"HTTPS://T.TEST/A"},
                      ReplyCase{"local program", 200, "0000020\nC:\\Windows\\System32\\calc.exe\n", false, L""},
                      ReplyCase{"unc path", 200, "0000020\n\\\\server\\share\\setup.exe\n", false, L""},
                      ReplyCase{"file address", 200, "0000020\nfile:///C:/setup.exe\n", false, L""},
                      ReplyCase{"script address", 200, "0000020\njavascript:alert(1)\n", false, L""},
                      ReplyCase{"scheme only", 200, "0000020\nhttp://\n", false, L""},
                      ReplyCase{"blank in address", 200, "0000020\nhttp://t.test/a b\n", false, L""},
                      ReplyCase{"quote in address", 200, "0000020\nhttp://t.test/a\" --evil\n", false, L""},
                      ReplyCase{"tab in address", 200, "0000020\nhttp://t.test/a\tb\n", false, L""},
                      ReplyCase{"non-ascii address", 200, "0000020\nhttp://t.test/\xE9t\xE9\n", false, L""},
                      ReplyCase{"scheme not at the start", 200, "0000020\n http://t.test/a\n", false, L""}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(ReplyVersion, OnlySevenDecimalDigitsMakeAVersion) {
    EXPECT_EQ(20, ReplyVersion("0000020\n"));
    EXPECT_EQ(1234567, ReplyVersion("1234567890"));
    EXPECT_EQ(-1, ReplyVersion("000002"));
    EXPECT_EQ(-1, ReplyVersion("000002\n0"));
    EXPECT_EQ(-1, ReplyVersion("<!DOCTYPE html>"));
    EXPECT_EQ(-1, ReplyVersion(std::string("000\0"
                                           "020",
                                           7)));
}

TEST(ReplyAddress, IsLine2WithoutItsLineEnd) {
    EXPECT_EQ(L"http://a.test/x", ReplyAddress("0000020\nhttp://a.test/x\n").Str());
    EXPECT_EQ(L"http://a.test/x", ReplyAddress("0000020\r\nhttp://a.test/x\r\n").Str());
    EXPECT_EQ(L"http://a.test/x", ReplyAddress("0000020\nhttp://a.test/x\r\r\n").Str());
    EXPECT_EQ(L"", ReplyAddress("0000020").Str());
    EXPECT_EQ(L"", ReplyAddress("0000020\n").Str());
    EXPECT_EQ(L"", ReplyAddress("0000020\n\r\n").Str());
    // A short line 1 does not move line 2.
    EXPECT_EQ(L"http://a.test/x", ReplyAddress("20\nhttp://a.test/x\n").Str());
    // One character per byte: a byte above 127 becomes the character of the same number.
    EXPECT_EQ(std::wstring(L"http://a.test/\u00e9"), ReplyAddress("0\nhttp://a.test/\xE9\n").Str());
}

TEST(ReplyIsComplete, ReadingStopsAfterLine2OrAtTheLimit) {
    EXPECT_FALSE(ReplyIsComplete(""));
    EXPECT_FALSE(ReplyIsComplete("0000020"));
    EXPECT_FALSE(ReplyIsComplete("0000020\n"));
    EXPECT_FALSE(ReplyIsComplete("0000020\nhttp://a.test/x"));
    EXPECT_FALSE(ReplyIsComplete("0000020\nhttp://a.test/x\r"));
    EXPECT_TRUE(ReplyIsComplete("0000020\nhttp://a.test/x\n"));
    EXPECT_TRUE(ReplyIsComplete("\n\n"));
    EXPECT_FALSE(ReplyIsComplete(std::string(kMaxReplyBytes - 1, '0')));
    EXPECT_TRUE(ReplyIsComplete(std::string(kMaxReplyBytes, '0')));
}

TEST(ReplyLimit, ALine2CutByTheLimitIsNotTrusted) {
    const std::string start = "0000020\nhttp://a.test/";
    const std::string cut = start + std::string(kMaxReplyBytes - start.size(), 'x');
    ASSERT_EQ(kMaxReplyBytes, cut.size());
    EXPECT_FALSE(ReadUpdateReply(200, cut).available);

    const std::string ended = start + std::string(kMaxReplyBytes - start.size() - 1, 'x') + "\n";
    ASSERT_EQ(kMaxReplyBytes, ended.size());
    EXPECT_TRUE(ReadUpdateReply(200, ended).available);
}

}   // namespace
