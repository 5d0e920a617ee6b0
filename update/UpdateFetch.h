// Fetching the update file: the one network exchange of the update check, bounded in time.
#pragma once

#include <windows.h>

#include <string>

struct FetchedReply {
    DWORD status = 0;   // the HTTP status code; 0 when it could not be read
    std::string body;   // the start of the body, up to where the update check stops reading
};

// Fetches url on a helper thread and waits for it at most timeoutMs. False when the exchange
// failed or did not finish in time. A helper thread still blocked in WinInet at the deadline is
// left behind: it owns everything it touches, gives up at its own time-outs, and its result is dropped.
bool FetchUpdateReply(const wchar_t* url, DWORD timeoutMs, FetchedReply& reply);
