// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer's entry point for a harness.

#include "FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzOne(data, size);
    return 0;
}
