// Reads each input as a lists file twice, streamed and through a DOM, and
// stops on the first input the two read differently; once refusing it whole
// for a refused list, once leaving such lists out.
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
    const QByteArray bytes = FuzzSetup::bytesOf(data, size);
    // Refusing a document whole, and leaving out the lists it refuses.
    for (const bool skipping : {false, true}) {
        const QString difference = ListsDifferential::difference(bytes, skipping);
        if (!difference.isEmpty()) {
            std::fprintf(stderr, "%s%s\n", skipping ? "leaving refused lists out:\n" : "", qPrintable(difference));
            std::abort();
        }
    }
    return 0;
}
