#include "failingdevice.h"

FailingDevice::FailingDevice(qint64 limit, QObject *parent)
    : QIODevice(parent), m_limit(limit)
{
}

qint64 FailingDevice::readData(char *, qint64)
{
    return -1;
}

qint64 FailingDevice::writeData(const char *data, qint64 size)
{
    const qint64 room = m_limit - m_written.size();
    if (room <= 0) {
        setErrorString(QStringLiteral("No space left on device"));
        return -1;
    }
    const qint64 n = qMin(room, size);
    m_written.append(data, n);
    return n;
}
