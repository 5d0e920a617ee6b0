// Text helpers for tests: conversions and what a window shows.
#pragma once

#include <windows.h>

#include <string>

namespace testkit {
std::string Narrow(const std::wstring& text);   // UTF-8
std::wstring Widen(const std::string& text);    // from UTF-8
std::wstring WindowText(HWND hWnd);             // works across threads and processes
std::wstring ClassName(HWND hWnd);
// "0x1234 #32770 "Caption" (pid 12, visible)", for failure messages.
std::string DescribeWindow(HWND hWnd);
}   // namespace testkit
