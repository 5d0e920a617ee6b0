// The command line as start-up reads it: split like Windows splits it, then made absolute.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "Testkit.h"
#include "app/CommandLine.h"

namespace {

std::vector<std::wstring> Split(const wchar_t* line) {
    std::vector<std::wstring> out;
    for (const CString& argument : SplitCommandLine(line)) out.push_back(argument.Str());
    return out;
}

// What the system's own parser makes of a command line.
std::vector<std::wstring> SystemSplit(const wchar_t* line) {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(line, &count);
    std::vector<std::wstring> out;
    for (int i = 0; arguments && i < count; ++i) out.push_back(arguments[i]);
    ::LocalFree(arguments);
    return out;
}

struct SplitCase {
    const wchar_t* line;
    std::vector<std::wstring> arguments;
};

TEST(CommandLine, SplitsLikeWindows) {
    const SplitCase cases[] = {
        {L"\"C:\\Program Files\\Tavoline.exe\"", {L"C:\\Program Files\\Tavoline.exe"}},
        {L"Tavoline.exe   ", {L"Tavoline.exe"}},
        {L"\"C:\\p\\Tavoline.exe\" \"C:\\my data\\photos.zip\"", {L"C:\\p\\Tavoline.exe", L"C:\\my data\\photos.zip"}},
        // unquoted: nothing is cut off
        {L"Tavoline.exe C:\\x.zip", {L"Tavoline.exe", L"C:\\x.zip"}},
        {L"Tavoline.exe \"C:\\x.zip\" ", {L"Tavoline.exe", L"C:\\x.zip"}},
        {L"Tavoline.exe \"\"", {L"Tavoline.exe", L""}},
        {L"Tavoline.exe \"a b\" \"c d\"", {L"Tavoline.exe", L"a b", L"c d"}},
        {L"Tavoline.exe\tx.zip", {L"Tavoline.exe", L"x.zip"}},
        {L"Tavoline.exe C:\\dir\\\\x.zip", {L"Tavoline.exe", L"C:\\dir\\\\x.zip"}},
        {L"Tavoline.exe a\\\\\\\"b c", {L"Tavoline.exe", L"a\\\"b", L"c"}},
        {L"Tavoline.exe \"a\\\\\" b", {L"Tavoline.exe", L"a\\", L"b"}},
        {L"Tavoline.exe a\"b c\"d", {L"Tavoline.exe", L"ab cd"}},
        {L"Tavoline.exe \"Ωμέγα 中文.zip\"", {L"Tavoline.exe", L"Ωμέγα 中文.zip"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(c.arguments, Split(c.line)) << testkit::Narrow(c.line);
        EXPECT_EQ(SystemSplit(c.line), Split(c.line)) << "the system splits differently: " << testkit::Narrow(c.line);
    }
}

TEST(CommandLine, ArchivePathIsMadeAbsoluteAgainstTheCurrentDirectory) {
    testkit::TempFolder temp(L"cmdline");
    const std::wstring previous = testkit::CurrentDirectory();
    ASSERT_TRUE(::SetCurrentDirectoryW(temp.Path().c_str()));
    const CString relative = ArchivePathFromArgument(L"sub dir\\photos.zip");
    const CString parent = ArchivePathFromArgument(L"..\\photos.zip");
    const CString absolute = ArchivePathFromArgument(L"C:\\data\\photos.zip");
    const CString empty = ArchivePathFromArgument(L"");
    ::SetCurrentDirectoryW(previous.c_str());

    EXPECT_EQ(temp / L"sub dir\\photos.zip", relative.Str());
    const std::wstring tempParent = temp.Path().substr(0, temp.Path().rfind(L'\\'));
    EXPECT_EQ(tempParent + L"\\photos.zip", parent.Str());
    EXPECT_EQ(L"C:\\data\\photos.zip", absolute.Str());
    EXPECT_TRUE(empty.IsEmpty()) << "an empty argument stays empty, to be refused";
}

}   // namespace
