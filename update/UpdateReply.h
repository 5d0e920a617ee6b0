// The update server's reply and what it means, as pure functions over the bytes received.
//
// The file on the server has two lines:
//   line 1: the newest version as seven decimal digits ("0000020"); anything after them is ignored;
//   line 2: the download address, http:// or https://.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "base/CString.h"

// The version this build is. A server version above it is an update.
constexpr int kInstalledVersion = 19;

// At most this many bytes of a reply are read; a line 2 that has not ended by then is not trusted.
constexpr std::size_t kMaxReplyBytes = 4096;

struct UpdateOffer {
    bool available = false;
    CString address;   // the download address, set only when an update is available
};

// True once the bytes received hold everything the check reads: line 2 has ended with its LF,
// or the reading limit has been reached.
bool ReplyIsComplete(const std::string& reply);

// The version in the first seven bytes; -1 unless all seven are decimal digits.
int ReplyVersion(const std::string& reply);

// Line 2 (after the first LF, up to the next LF or the end), without trailing CR and LF,
// one character per byte. Empty when there is no line 2.
CString ReplyAddress(const std::string& reply);

// An http:// or https:// address (scheme in any case) with something after the scheme and only
// printable ASCII, no blanks and no double quotes: nothing else is handed to the shell.
bool IsWebAddress(const CString& address);

// The whole rule: a 200 reply with a version above kInstalledVersion and a web address whose
// line has ended (or reached the end of the reply) offers an update.
UpdateOffer ReadUpdateReply(DWORD httpStatus, const std::string& reply);
