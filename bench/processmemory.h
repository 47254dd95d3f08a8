#ifndef BENCH_PROCESSMEMORY_H
#define BENCH_PROCESSMEMORY_H

#include <QByteArray>
#include <QFile>
#include <QList>

#include <cstddef>
#include <malloc.h>

// A "/proc/self/status" value given in KiB ("VmRSS:"), or 0.
inline double statusKiB(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toDouble();
    }
    return 0;
}

// Bytes handed out by malloc, mapped blocks included.
inline size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

#endif
