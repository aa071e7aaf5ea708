#pragma once

// Corvale is built with hidden symbols; only what carries KX_GEN_EXPORT is
// part of the library's interface.
#if defined(KX_GEN_BUILDING)
#define KX_GEN_EXPORT __attribute__((visibility("default")))
#else
#define KX_GEN_EXPORT
#endif
