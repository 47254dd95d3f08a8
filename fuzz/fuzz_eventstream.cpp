// Feeds arbitrary bytes to the event-stream receiver in chunks of varying
// size, as a hostile or broken server would send them.

#include "fuzzsetup.h"

#include "sync/requests/xmlstreamreceiver.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSetup::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte seeds the chunk sizes; the rest is the stream.
    uint32_t state = data[0] * 2654435761u + 1;
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    size_t left = size - 1;

    XMLStreamReceiver receiver(nullptr);
    size_t fragments = 0;
    QObject::connect(&receiver, &XMLStreamReceiver::fragmentReceived,
                     [&fragments](const QDomDocument &doc) {
                         // Walk what was built, as a subscriber would.
                         fragments += size_t(doc.documentElement().attributes().count());
                         fragments += size_t(doc.toByteArray().size() > 0);
                     });
    while (left > 0) {
        state = state * 1103515245u + 12345u;
        size_t chunk = 1 + (state >> 16) % 97;
        if (chunk > left)
            chunk = left;
        receiver.addData(QByteArray(bytes, qsizetype(chunk)));
        bytes += chunk;
        left -= chunk;
    }
    return fragments > size_t(-2) ? 1 : 0;
}
