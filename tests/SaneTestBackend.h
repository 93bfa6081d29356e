#pragma once

#include <dlfcn.h>

// SANE unloads its back ends at sane_exit. Its virtual test scanner leaks a read buffer when a
// scan is cancelled or fails, and once unloaded the leak checker can no longer say whose the
// memory was. Keeping the back end loaded for the whole test lets lsan.supp name it.
inline void keepSaneTestBackendLoaded() {
    dlopen(VANTREL_SANE_TEST_BACKEND, RTLD_NOW | RTLD_NODELETE);
}
