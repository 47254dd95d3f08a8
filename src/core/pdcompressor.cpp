#include "core/pdcompressor.h"

#include <QDebug>

#include <algorithm>
#include <limits>
#include <zlib.h>

QByteArray PDCompressor::compress(const QByteArray &data, int level)
{
    if (data.isEmpty())
        return QByteArray();
    // As qCompress: a level zlib does not know means its default.
    if (level < -1 || level > 9)
        level = Z_DEFAULT_COMPRESSION;
    // zlib counts in uLong; a body beyond that is not a body.
    if (quint64(data.size()) > quint64(std::numeric_limits<uLong>::max()))
        return QByteArray();
    uLongf bound = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(bound), Qt::Uninitialized);
    const int result = compress2(reinterpret_cast<Bytef *>(out.data()), &bound,
                                 reinterpret_cast<const Bytef *>(data.constData()),
                                 uLong(data.size()), level);
    if (result != Z_OK) {
        if (result == Z_MEM_ERROR)
            qWarning("qCompress: Z_MEM_ERROR: Not enough memory");
        return QByteArray();
    }
    out.truncate(qsizetype(bound));
    return out;
}

QByteArray PDCompressor::uncompress(const QByteArray &data)
{
    return uncompress(data, maxUncompressedSize);
}

QByteArray PDCompressor::uncompress(const QByteArray &data, qsizetype limit)
{
    if (data.isNull()) {
        qWarning("PDCompressor::uncompress: Data is null");
        return QByteArray();
    }

    // One streaming pass into a growing buffer, bounded by `limit`.
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        qWarning("qUncompress: Z_MEM_ERROR: Not enough memory");
        return QByteArray();
    }
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    const qsizetype inputSize = data.size();
    qsizetype inputUsed = 0;

    limit = std::max<qsizetype>(limit, 1);
    const qsizetype capacity = std::min<qsizetype>(std::max<qsizetype>(inputSize * 4, 256), limit);
    QByteArray out(capacity, Qt::Uninitialized);
    qsizetype produced = 0;
    int result = Z_OK;
    const uInt chunkMax = std::numeric_limits<uInt>::max() / 2;

    for (;;) {
        if (stream.avail_in == 0 && inputUsed < inputSize) {
            const qsizetype chunk = std::min<qsizetype>(inputSize - inputUsed, chunkMax);
            stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()))
                             + inputUsed;
            stream.avail_in = uInt(chunk);
            inputUsed += chunk;
        }
        if (produced == out.size()) {
            if (out.size() >= limit) {
                // Full at the bound: any further output means the body is too big.
                char probe;
                stream.next_out = reinterpret_cast<Bytef *>(&probe);
                stream.avail_out = 1;
                result = inflate(&stream, Z_NO_FLUSH);
                if (result == Z_STREAM_END && stream.avail_out == 1)
                    break;
                if (stream.avail_out == 0) {
                    inflateEnd(&stream);
                    qWarning("PDCompressor::uncompress: uncompressed data larger than %lld bytes",
                             static_cast<long long>(limit));
                    return QByteArray();
                }
                if (result == Z_BUF_ERROR && stream.avail_in == 0 && inputUsed == inputSize)
                    result = Z_DATA_ERROR;
                if (result != Z_OK && result != Z_BUF_ERROR)
                    break;
                if (result == Z_BUF_ERROR)
                    break;
                continue;
            }
            out.resize(std::min<qsizetype>(out.size() * 2, limit));
        }
        const qsizetype room = std::min<qsizetype>(out.size() - produced, chunkMax);
        stream.next_out = reinterpret_cast<Bytef *>(out.data() + produced);
        stream.avail_out = uInt(room);
        result = inflate(&stream, Z_NO_FLUSH);
        produced += room - qsizetype(stream.avail_out);
        if (result == Z_STREAM_END)
            break;
        if (result == Z_BUF_ERROR) {
            // No progress possible: input used up before the stream's end.
            if (stream.avail_in == 0 && inputUsed == inputSize) {
                result = Z_DATA_ERROR;
                break;
            }
            continue;
        }
        if (result != Z_OK)
            break;
        if (stream.avail_in == 0 && inputUsed == inputSize && stream.avail_out != 0) {
            // Everything consumed, room left, and still no end: truncated.
            result = Z_DATA_ERROR;
            break;
        }
    }
    inflateEnd(&stream);

    switch (result) {
    case Z_STREAM_END:
        out.truncate(produced);
        return out;
    case Z_MEM_ERROR:
        qWarning("qUncompress: Z_MEM_ERROR: Not enough memory");
        return QByteArray();
    case Z_DATA_ERROR:
    case Z_NEED_DICT:
        qWarning("qUncompress: Z_DATA_ERROR: Input data is corrupted");
        return QByteArray();
    default:
        return QByteArray();
    }
}
