#ifndef XMLSTREAMRECEIVER_H
#define XMLSTREAMRECEIVER_H

#include <QByteArray>
#include <QDomDocument>
#include <QDomNode>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QXmlStreamReader>

class QIODevice;

// Turns an endless XML stream (one root element whose children are events)
// into one DOM document per top-level child, parsing incrementally as bytes
// arrive. Elements are rebuilt by local name with every attribute; the text
// of leaf elements is kept trimmed. A malformed stream, nesting deeper than
// XMLReaderWriter::maxElementDepth or a fragment larger than
// maxFragmentBytes stops the parse for good with parseError().
class XMLStreamReceiver : public QObject
{
    Q_OBJECT
public:
    static const qint64 maxFragmentBytes = 1024 * 1024;

    explicit XMLStreamReceiver(QIODevice *device, QObject *parent = nullptr);

    // Parses what the device holds now (the first call starts the parse).
    void parseMore();
    // Parses `bytes` as the next part of the stream.
    void addData(const QByteArray &bytes);

    bool hasFailed() const { return m_failed; }
    QString errorString() const { return m_error; }

signals:
    void fragmentReceived(const QDomDocument &fragment);
    void parseError(const QString &message);

private:
    void parse();
    void fail(const QString &message);
    void startElement();
    void endElement();

    QPointer<QIODevice> m_device;
    QXmlStreamReader m_reader;
    bool m_started = false;
    bool m_failed = false;
    bool m_ended = false;
    QString m_error;
    int m_depth = 0;
    QDomDocument m_fragment;
    QDomNode m_current;
    QString m_pendingText;
    // Bytes fed since the last completed fragment.
    qint64 m_bytesSinceFragment = 0;
};

#endif
