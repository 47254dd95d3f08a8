#ifndef PDCOMPRESSOR_H
#define PDCOMPRESSOR_H

#include <QByteArray>

// Converts between plain bytes and a bare zlib stream (RFC 1950, no length
// prefix), the "zlib" content encoding of request and response bodies.
class PDCompressor
{
public:
    // Upper bound of a decompressed body; a larger one fails with a warning,
    // so a hostile body cannot exhaust memory.
    static constexpr qsizetype maxUncompressedSize = 64 * 1024 * 1024;

    // The zlib stream of `data` at zlib level `level` (-1 to 9; any other
    // level means zlib's default); empty data gives an empty result.
    static QByteArray compress(const QByteArray &data, int level);
    // The plain bytes, or an empty array on failure (with a warning).
    static QByteArray uncompress(const QByteArray &data);
    // As above with another bound (for tests).
    static QByteArray uncompress(const QByteArray &data, qsizetype limit);

private:
    PDCompressor() = delete;
};

#endif
