#pragma once
// What the shared library shows its users. It is built with every symbol hidden, so only the
// classes and free functions of the public headers, which carry NRXJOBDB_API, are exported;
// the library's inner workings stay its own and can change without breaking a caller.

#if defined(__GNUC__) || defined(__clang__)
#define NRXJOBDB_API __attribute__((visibility("default")))
#else
#define NRXJOBDB_API
#endif
