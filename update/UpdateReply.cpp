#include "update/UpdateReply.h"

namespace {

constexpr std::size_t kVersionDigits = 7;
constexpr DWORD kHttpOk = 200;

bool IsDigit(char byte) { return byte >= '0' && byte <= '9'; }

bool StartsWithNoCase(const CString& text, const wchar_t* prefix) {
    for (int i = 0; prefix[i]; ++i) {
        if (i >= text.GetLength()) return false;
        wchar_t ch = text[i];
        if (ch >= L'A' && ch <= L'Z') ch = static_cast<wchar_t>(ch - L'A' + L'a');
        if (ch != prefix[i]) return false;
    }
    return true;
}

// Where line 2 ends: the position of its LF, or npos when it runs to the end of the bytes.
std::size_t EndOfLine2(const std::string& reply) {
    const std::size_t firstLf = reply.find('\n');
    return firstLf == std::string::npos ? std::string::npos : reply.find('\n', firstLf + 1);
}

}   // namespace

bool ReplyIsComplete(const std::string& reply) {
    return reply.size() >= kMaxReplyBytes || EndOfLine2(reply) != std::string::npos;
}

int ReplyVersion(const std::string& reply) {
    if (reply.size() < kVersionDigits) return -1;
    int version = 0;
    for (std::size_t i = 0; i < kVersionDigits; ++i) {
        if (!IsDigit(reply[i])) return -1;
        version = version * 10 + (reply[i] - '0');
    }
    return version;
}

CString ReplyAddress(const std::string& reply) {
    const std::size_t firstLf = reply.find('\n');
    if (firstLf == std::string::npos) return CString();
    std::size_t end = EndOfLine2(reply);
    if (end == std::string::npos) end = reply.size();
    while (end > firstLf + 1 && (reply[end - 1] == '\r' || reply[end - 1] == '\n')) --end;
    CString address;
    for (std::size_t i = firstLf + 1; i < end; ++i)
        address += static_cast<wchar_t>(static_cast<unsigned char>(reply[i]));
    return address;
}

bool IsWebAddress(const CString& address) {
    int schemeLength = 0;
    if (StartsWithNoCase(address, L"http://")) schemeLength = 7;
    else if (StartsWithNoCase(address, L"https://")) schemeLength = 8;
    else return false;
    if (address.GetLength() == schemeLength) return false;
    for (int i = 0; i < address.GetLength(); ++i) {
        const wchar_t ch = address[i];
        if (ch <= L' ' || ch > L'~' || ch == L'"') return false;
    }
    return true;
}

UpdateOffer ReadUpdateReply(DWORD httpStatus, const std::string& reply) {
    UpdateOffer offer;
    if (httpStatus != kHttpOk) return offer;
    if (ReplyVersion(reply) <= kInstalledVersion) return offer;
    // A line 2 cut by the reading limit may be a cut address.
    if (reply.size() >= kMaxReplyBytes && EndOfLine2(reply) == std::string::npos) return offer;
    const CString address = ReplyAddress(reply);
    if (!IsWebAddress(address)) return offer;
    offer.available = true;
    offer.address = address;
    return offer;
}
