// What the unzip job tells the user besides its fixed texts: the names it changed, the entries it
// left out and why, and the cause of a failure in plain words. The fixed text always comes first;
// a second paragraph follows only where there is more to say.
#pragma once

#include <vector>

#include "base/CString.h"

class CException;

struct UnzipReport {
    std::vector<CString> changes;   // "old → new", one for each entry written under another name
    std::vector<CString> skipped;   // "name: why", one for each entry left out
};

// "Unzipping completed successfully.", with the count and the first few changed names.
CString SuccessText(const UnzipReport& report);
// The box listing the entries left out; empty when none were.
CString SkippedText(const UnzipReport& report);
// `failure` (the job's fixed failure text) with the cause of `error` in plain words, when known.
CString FailureText(const wchar_t* failure, const CException* error);
