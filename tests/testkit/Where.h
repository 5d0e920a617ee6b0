// Where a check was written: failures found by helpers are reported at their caller's line.
#pragma once

namespace testkit {
struct Where {
    const char* file;
    int line;
};
}   // namespace testkit

#define TK_HERE (::testkit::Where{__FILE__, __LINE__})
