#include "update/UpdateCheck.h"

#include <shellapi.h>

#include <cstdlib>

#include "update/UpdateAddress.h"
#include "update/UpdateFetch.h"
#include "update/UpdateReply.h"

namespace {

// WinInet's own time-outs are not honoured everywhere (not by Wine's connect), so the check
// stops waiting at this deadline whatever the network does.
constexpr DWORD kCheckTimeoutMs = 5000;

}   // namespace

void CheckForUpdate(HWND owner) { CheckForUpdateAt(owner, UpdateAddress()); }

void CheckForUpdateAt(HWND owner, const wchar_t* url) {
    UpdateOffer offer;
    try {
        FetchedReply reply;
        if (!FetchUpdateReply(url, kCheckTimeoutMs, reply)) return;
        offer = ReadUpdateReply(reply.status, reply.body);
    } catch (...) {
        return;
    }
    if (!offer.available) return;

    ::MessageBoxW(owner, L"An updated version is available for download", L"Tavoline", MB_OK);
    ::ShellExecuteW(owner, L"open", offer.address, nullptr, nullptr, SW_SHOWNORMAL);
    std::exit(0);
}
