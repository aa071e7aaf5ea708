#pragma once

// What a call threw, for the tests that check which of the library's
// exceptions a failure gives.

#include "kx_gen/Exception.h"

#include <functional>
#include <string>

namespace corvale_test {

// What a call threw: message id (0: nothing; ~0u: a text without id), error
// number, whether it was a CDBException, and the text.
struct Thrown {
    unsigned id = 0;
    int error = 0;
    bool db = false;
    std::string text;
};

inline Thrown thrown(const std::function<void()> &f)
{
    Thrown t;
    try {
        f();
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder h(e);
        t.id = e->GetStringId() ? e->GetStringId() : ~0u;
        t.error = e->GetErrorNumber();
        t.db = dynamic_cast<kx_gen::CDBException *>(e) != nullptr;
        t.text = e->GetDescription().str();
    }
    return t;
}

// The message id of the CException a call throws; 0 when it throws none.
inline unsigned thrownMessage(const std::function<void()> &f)
{
    try {
        f();
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder h(e);
        return e->GetStringId();
    }
    return 0;
}

} // namespace corvale_test
