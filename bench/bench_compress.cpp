// PDCompressor against zlib's own compress2/uncompress on the same bytes in
// the same run (zlib's uncompress is handed the exact output size, its best
// case). Bodies shaped like server documents, 64 KiB and 4 MiB. The ratios
// are printed at the end.
#include "core/pdcompressor.h"
#include "ratioreporter.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <zlib.h>

namespace {

QByteArray body(qsizetype size)
{
    QByteArray out;
    out.reserve(size + 512);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html><body>\n";
    for (int i = 0; out.size() < size; ++i) {
        out += "  <li class=\"pd-task\"><dl><dt>title</dt><dd>Task ";
        out += QByteArray::number(i * 7919 % 100003);
        out += "</dd><dt>due</dt><dd>2009-06-";
        out += QByteArray::number(10 + i % 20);
        out += "T08:";
        out += QByteArray::number(10 + i % 50);
        out += ":00</dd><dt>done</dt><dd>";
        out += (i % 3) ? "false" : "true";
        out += "</dd></dl></li>\n";
    }
    out.truncate(size);
    return out;
}

const QByteArray &plain(qsizetype size)
{
    static QMap<qsizetype, QByteArray> cache;
    auto it = cache.find(size);
    if (it == cache.end())
        it = cache.insert(size, body(size));
    return *it;
}

const QByteArray &packed(qsizetype size)
{
    static QMap<qsizetype, QByteArray> cache;
    auto it = cache.find(size);
    if (it == cache.end())
        it = cache.insert(size, PDCompressor::compress(plain(size), 6));
    return *it;
}

void BM_Compress_ZlibBaseline(benchmark::State &state)
{
    const QByteArray &in = plain(state.range(0));
    QByteArray out(qsizetype(compressBound(uLong(in.size()))), Qt::Uninitialized);
    for (auto _ : state) {
        uLongf outSize = uLongf(out.size());
        if (compress2(reinterpret_cast<Bytef *>(out.data()), &outSize,
                      reinterpret_cast<const Bytef *>(in.constData()), uLong(in.size()), 6) != Z_OK)
            state.SkipWithError("compress2 failed");
        benchmark::DoNotOptimize(outSize);
    }
    state.SetBytesProcessed(qint64(state.iterations()) * in.size());
}

void BM_Compress_PDCompressor(benchmark::State &state)
{
    const QByteArray &in = plain(state.range(0));
    for (auto _ : state) {
        QByteArray out = PDCompressor::compress(in, 6);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(qint64(state.iterations()) * in.size());
}

void BM_Uncompress_ZlibBaseline(benchmark::State &state)
{
    const QByteArray &in = packed(state.range(0));
    const qsizetype plainSize = plain(state.range(0)).size();
    for (auto _ : state) {
        QByteArray out(plainSize, Qt::Uninitialized);
        uLongf outSize = uLongf(out.size());
        if (uncompress(reinterpret_cast<Bytef *>(out.data()), &outSize,
                       reinterpret_cast<const Bytef *>(in.constData()), uLong(in.size())) != Z_OK)
            state.SkipWithError("uncompress failed");
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(qint64(state.iterations()) * plainSize);
}

void BM_Uncompress_PDCompressor(benchmark::State &state)
{
    const QByteArray &in = packed(state.range(0));
    const qsizetype plainSize = plain(state.range(0)).size();
    for (auto _ : state) {
        QByteArray out = PDCompressor::uncompress(in);
        if (out.size() != plainSize)
            state.SkipWithError("uncompress failed");
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(qint64(state.iterations()) * plainSize);
}

// The restart-and-double scheme (a 1-byte buffer doubled on every "buffer
// too small", inflating from the first byte each time) that one streaming
// pass replaces, for comparison.
void BM_Uncompress_RestartDoubling(benchmark::State &state)
{
    const QByteArray &in = packed(state.range(0));
    const qsizetype plainSize = plain(state.range(0)).size();
    for (auto _ : state) {
        QByteArray out(1, Qt::Uninitialized);
        int result;
        uLongf outSize;
        for (;;) {
            outSize = uLongf(out.size());
            result = uncompress(reinterpret_cast<Bytef *>(out.data()), &outSize,
                                reinterpret_cast<const Bytef *>(in.constData()), uLong(in.size()));
            if (result != Z_BUF_ERROR)
                break;
            out.resize(out.size() * 2);
        }
        if (result != Z_OK || qsizetype(outSize) != plainSize)
            state.SkipWithError("uncompress failed");
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(qint64(state.iterations()) * plainSize);
}

const int64_t kSmall = 64 * 1024;
const int64_t kLarge = 4 * 1024 * 1024;

BENCHMARK(BM_Compress_ZlibBaseline)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Compress_PDCompressor)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Uncompress_ZlibBaseline)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Uncompress_PDCompressor)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Uncompress_RestartDoubling)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nratios of CPU time (same run, same bytes):\n");
    for (int64_t size : {kSmall, kLarge}) {
        const QString arg = QLatin1Char('/') + QString::number(size);
        const QByteArray kib = QByteArray::number(size / 1024) + " KiB";
        reporter.printRatio("PDCompressor::compress / compress2, " + kib, "BM_Compress_PDCompressor" + arg,
                            "BM_Compress_ZlibBaseline" + arg);
        reporter.printRatio("PDCompressor::uncompress / uncompress, " + kib, "BM_Uncompress_PDCompressor" + arg,
                            "BM_Uncompress_ZlibBaseline" + arg);
        reporter.printRatio("restart-and-double / uncompress, " + kib, "BM_Uncompress_RestartDoubling" + arg,
                            "BM_Uncompress_ZlibBaseline" + arg);
    }
    std::printf("  compressed size at level 6: %lld of %lld bytes (4 MiB body)\n",
                static_cast<long long>(packed(kLarge).size()), static_cast<long long>(plain(kLarge).size()));
    benchmark::Shutdown();
    return 0;
}
