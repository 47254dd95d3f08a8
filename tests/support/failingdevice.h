#ifndef FAILINGDEVICE_H
#define FAILINGDEVICE_H

#include <QByteArray>
#include <QIODevice>

// A write-only device that accepts `limit` bytes and then fails every write,
// as a full disk would.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 limit, QObject *parent = nullptr);

    const QByteArray &written() const { return m_written; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    qint64 m_limit;
    QByteArray m_written;
};

#endif
