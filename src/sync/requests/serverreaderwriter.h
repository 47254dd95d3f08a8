#ifndef SERVERREADERWRITER_H
#define SERVERREADERWRITER_H

#include <QDomDocument>

#include "core/xmlreaderwriter.h"

// Reads the server-information document that the server answers to a GET of
// its root: the protocol versions it speaks and the port of its event service.
class ServerReaderWriter : public XMLReaderWriter
{
public:
    ServerReaderWriter();

    // True when the document was read; the outputs are written only then.
    // On false the reason is in errorString().
    bool readServerInfo(const QDomDocument &document, int *protocolVersion,
                        int *minSupportedVersion, quint16 *eventPort);
};

#endif
