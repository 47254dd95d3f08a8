#include "sync/requests/serverreaderwriter.h"

namespace {
// The toolkit's conversions skip surrounding blanks; a field with blanks is
// not a number here.
bool hasBlankEdge(const QString &text)
{
    return !text.isEmpty() && (text.front().isSpace() || text.back().isSpace());
}
}

ServerReaderWriter::ServerReaderWriter()
    : XMLReaderWriter(ServerDocument)
{
}

bool ServerReaderWriter::readServerInfo(const QDomDocument &document, int *protocolVersion,
                                        int *minSupportedVersion, quint16 *eventPort)
{
    const QDomElement body = mandatoryElementByTagName(document.documentElement(),
                                                       QStringLiteral("body"));
    if (body.isNull())
        return false;
    const QDomElement server = mandatoryChildElementByClass(body, QStringLiteral("pd-server"));
    if (server.isNull())
        return false;
    const QDomElement fields = mandatoryChildElementByClass(server,
                                                            QStringLiteral("pd-server-fields"));
    if (fields.isNull())
        return false;

    bool ok = false;
    const QString versionText = definitionValue(fields, QStringLiteral("protocol-version"));
    const int version = versionText.toInt(&ok, 10);
    if (!ok || hasBlankEdge(versionText)) {
        setError(QStringLiteral("couldn't parse ") + versionText + QStringLiteral(" as int"));
        return false;
    }
    const QString minText = definitionValue(fields, QStringLiteral("min-supported-protocol-version"));
    const int minVersion = minText.toInt(&ok, 10);
    if (!ok || hasBlankEdge(minText)) {
        setError(QStringLiteral("couldn't parse ") + minText + QStringLiteral(" as int"));
        return false;
    }
    const QString portText = definitionValue(fields, QStringLiteral("event-port"));
    quint16 port = 0;
    if (!portText.isEmpty()) {
        const uint value = portText.toUInt(&ok, 10);
        // A value beyond 16 bits is refused rather than wrapped onto another port.
        if (!ok || value > 65535 || hasBlankEdge(portText)) {
            setError(QStringLiteral("couldn't parse event port from ") + portText);
            return false;
        }
        port = quint16(value);
    }

    *protocolVersion = version;
    *minSupportedVersion = minVersion;
    *eventPort = port;
    return true;
}
