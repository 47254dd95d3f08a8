// Reads each input as a lists file twice, streamed and through a DOM, and
// stops on the first input the two read differently.
#include "fuzzsetup.h"

#include "../tests/model/listsdifferential.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSetup::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString difference = ListsDifferential::difference(FuzzSetup::bytesOf(data, size));
    if (!difference.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(difference));
        std::abort();
    }
    return 0;
}
