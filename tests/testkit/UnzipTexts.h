// What the unzip job says, as the user reads it: the tests look for exactly these texts.
#pragma once

namespace unziptest {

inline constexpr wchar_t kMainCaption[] = L"Tavoline 1.0";
inline constexpr wchar_t kUnzipper[] = L"Unzipper";
inline constexpr wchar_t kSuccess[] = L"Unzipping completed successfully.";
inline constexpr wchar_t kCorrupt[] = L"Error: zip file is corrupted!";
inline constexpr wchar_t kFailure[] =
    L"Error: Unzipping did not complete. Make sure you have enough disk space and the zip file is not corrupt!";
inline constexpr wchar_t kRefused[] = L"Error: please select a valid zip file";
inline constexpr wchar_t kBusy[] = L"One action in progress please wait!";

}   // namespace unziptest
