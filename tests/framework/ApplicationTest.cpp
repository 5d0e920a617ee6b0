// The application object: its name, its command line, its message boxes.
#include <gtest/gtest.h>

#include "Testkit.h"
#include "framework/CWinApp.h"
#include "framework/CWnd.h"

namespace {

TEST(CommandLineTail, SkipsTheProgramNameAndTheBlanksAfterIt) {
    struct Case {
        const wchar_t* line;
        const wchar_t* tail;
    };
    const Case cases[] = {
        {L"\"C:\\Program Files\\Tavoline.exe\" \"C:\\a b\\c.zip\"", L"\"C:\\a b\\c.zip\""},
        {L"Tavoline.exe    C:\\x.zip", L"C:\\x.zip"},
        {L"Tavoline.exe\t \"a\" \"b\" ", L"\"a\" \"b\" "},   // quotes and later blanks as typed
        {L"\"C:\\Tavoline.exe\"\"\"", L"\"\""},
        {L"Tavoline.exe", L""},
        {L"Tavoline.exe   ", L""},
        {L"\"C:\\no closing quote", L""},
        {L"", L""},
    };
    for (const Case& c : cases) EXPECT_STREQ(c.tail, AfxCommandLineTail(c.line)) << testkit::Narrow(c.line);
    EXPECT_STREQ(L"", AfxCommandLineTail(nullptr));
}

TEST(Application, IsNamedAfterTheExecutable) {
    const std::wstring folder = testkit::ThisProgramFolder();
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = std::wstring(path).substr(folder.size() + 1);
    name = name.substr(0, name.rfind(L'.'));
    ASSERT_NE(nullptr, AfxGetApp());
    EXPECT_EQ(name, AfxGetApp()->m_pszAppName);
    EXPECT_EQ(name, AfxModuleBaseName().GetString());

    CWinApp* app = AfxGetApp();
    app->SetRegistryKey(L"Korrel Utilities");
    EXPECT_STREQ(L"Korrel Utilities", app->m_pszRegistryKey);
    EXPECT_NE(nullptr, app->LoadIcon(128));
}

// A message box shown by CWnd::MessageBox from this thread, read and answered by a driver.
struct BoxSeen {
    std::wstring caption;
    std::wstring text;
    int result = 0;
};

BoxSeen ShowBox(const wchar_t* text, const wchar_t* caption) {
    BoxSeen seen;
    CWnd nobody;   // no window: the box has no owner
    testkit::Driver driver([&](testkit::Driver& d) {
        testkit::WindowQuery query;
        query.className = L"#32770";
        query.textContains = text;
        HWND box = d.WaitForWindow(query, TK_HERE);
        seen.caption = testkit::WindowText(box);
        seen.text = testkit::MessageBoxText(box);
        testkit::PressOk(box);
    });
    seen.result = nobody.MessageBox(text, caption);
    driver.Finish();
    return seen;
}

TEST(Application, MessageBoxesWithoutCaptionCarryTheApplicationName) {
    const BoxSeen plain = ShowBox(L"Something to say", nullptr);
    EXPECT_EQ(AfxGetApp()->m_pszAppName, plain.caption);
    EXPECT_EQ(L"Something to say", plain.text);
    EXPECT_EQ(IDOK, plain.result);

    const BoxSeen named = ShowBox(L"Something else", L"Unzipper");
    EXPECT_EQ(L"Unzipper", named.caption);
    EXPECT_EQ(IDOK, named.result);
}

}   // namespace
