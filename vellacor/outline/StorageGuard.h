#pragma once

// The one way storage errors reach the user: run the operation, own what it
// threw, show the description through the sink ("Unknown exception" for a
// foreign exception) and report failure. Nothing is swallowed silently.

#include "OutlineServices.h"

#include <functional>

// Runs `operation`. A thrown kx_gen::CException* is shown with its
// description and deleted; a std::exception or anything else shows "Unknown
// exception". Returns true when the operation returned normally. `sink` may be
// null, in which case the error is only written to the standard error.
bool RunStorageOperation(CMessageSink *sink, const std::function<void()> &operation);
