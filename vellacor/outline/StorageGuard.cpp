#include "StorageGuard.h"

#include "kx_gen/Exception.h"

#include <cstdio>

static void Report(CMessageSink *sink, const kx_gen::_String &text)
{
    if (sink)
        sink->ShowMessage(text);
    else
        std::fprintf(stderr, "vellacor: %s\n", text.c_str());
}

bool RunStorageOperation(CMessageSink *sink, const std::function<void()> &operation)
{
    try {
        operation();
        return true;
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder owned(e);
        Report(sink, e ? e->GetDescription() : kx_gen::_String("Unknown exception"));
    } catch (...) {
        Report(sink, "Unknown exception");
    }
    return false;
}
