#pragma once

// The shared library is built with hidden visibility; only what carries this mark is
// part of its interface.
#if defined(_WIN32)
#if defined(QORVANTHWI_BUILDING)
#define QORVANTHWI_API __declspec(dllexport)
#else
#define QORVANTHWI_API __declspec(dllimport)
#endif
#else
#define QORVANTHWI_API __attribute__((visibility("default")))
#endif
