// Reading and writing a framed document of about 10 MiB through
// XMLReaderWriter, against baselines on the same bytes in the same run:
// a bare QXmlStreamReader pass and QDomDocument::setContent for reading,
// QDomDocument::toString for writing. The ratios are printed at the end.
#include "core/xmlreaderwriter.h"
#include "ratioreporter.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDomDocument>
#include <QXmlStreamReader>

#include <cstdio>

namespace {

const qsizetype kTargetBytes = 10 * 1024 * 1024;

// Shaped like a lists document: lists of tasks, each with a definition list
// of fields, some nesting, times and non-ASCII text.
QDomDocument buildDocument()
{
    XMLReaderWriter rw(XMLReaderWriter::LocalDocument);
    QDomDocument doc = rw.createDocument();
    QDomElement body = rw.appendHeadAndBody(doc, QStringLiteral("pd-local-lists"));
    const QDateTime t0(QDate(2009, 6, 1), QTime(8, 30), Qt::UTC);
    qsizetype approxBytes = 0;
    for (int list = 0; approxBytes < kTargetBytes; ++list) {
        QDomElement div = rw.appendElementWithClass(body, QStringLiteral("div"), QStringLiteral("pd-list"));
        QDomElement fields = rw.appendElementWithClass(div, QStringLiteral("dl"), QStringLiteral("pd-list-fields"));
        rw.appendDefinition(fields, QStringLiteral("title"), QStringLiteral("List %1").arg(list));
        rw.appendDefinition(fields, QStringLiteral("id"), QString::number(1000 + list));
        QDomElement ul = rw.appendElementWithClass(div, QStringLiteral("ul"), QStringLiteral("pd-tasks"));
        QDomElement parent = ul;
        for (int task = 0; task < 200; ++task) {
            QDomElement li = rw.appendElementWithClass(parent, QStringLiteral("li"), QStringLiteral("pd-task"));
            QDomElement dl = rw.appendElementWithClass(li, QStringLiteral("dl"), QStringLiteral("pd-task-fields"));
            rw.appendDefinition(dl, QStringLiteral("title"),
                                QStringLiteral("Task %1 \u00e9t\u00e9 & <more>").arg(task));
            rw.appendDefinition(dl, QStringLiteral("done"), task % 3 ? QStringLiteral("false") : QStringLiteral("true"));
            rw.appendDefinition(dl, QStringLiteral("due"),
                                XMLReaderWriter::dateTimeToString(t0.addSecs(qint64(list) * 86400 + task * 60)));
            rw.appendDefinition(dl, QStringLiteral("note"),
                                QStringLiteral("Some note text for the task, long enough to matter."));
            approxBytes += 330;
            // Every fifth task opens a level of subtasks, up to 4 deep.
            if (task % 5 == 4 && task % 20 != 19)
                parent = rw.appendElementWithClass(li, QStringLiteral("ul"), QStringLiteral("pd-subtasks"));
            else if (task % 20 == 19)
                parent = ul;
        }
    }
    return doc;
}

const QDomDocument &document()
{
    static const QDomDocument doc = buildDocument();
    return doc;
}

const QByteArray &documentBytes()
{
    static const QByteArray bytes = [] {
        QByteArray out;
        QBuffer buffer(&out);
        XMLReaderWriter rw(XMLReaderWriter::LocalDocument);
        if (!rw.writeDocument(document(), &buffer))
            qFatal("cannot write the benchmark document");
        return out;
    }();
    return bytes;
}

void setBytes(benchmark::State &state)
{
    state.SetBytesProcessed(qint64(state.iterations()) * documentBytes().size());
}

void BM_Read_StreamReaderBaseline(benchmark::State &state)
{
    const QByteArray &bytes = documentBytes();
    for (auto _ : state) {
        QXmlStreamReader reader(bytes);
        qint64 tokens = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            ++tokens;
        }
        if (reader.hasError())
            state.SkipWithError("stream reader failed");
        benchmark::DoNotOptimize(tokens);
    }
    setBytes(state);
}

void BM_Read_DomBaseline(benchmark::State &state)
{
    const QByteArray &bytes = documentBytes();
    for (auto _ : state) {
        QDomDocument doc;
        if (!doc.setContent(bytes, false))
            state.SkipWithError("setContent failed");
        benchmark::DoNotOptimize(doc);
    }
    setBytes(state);
}

void BM_Read_Frame(benchmark::State &state)
{
    QByteArray bytes = documentBytes();
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        XMLReaderWriter rw(XMLReaderWriter::LocalDocument);
        QDomDocument doc = rw.readDocument(&buffer);
        if (doc.isNull())
            state.SkipWithError("readDocument failed");
        benchmark::DoNotOptimize(doc);
    }
    setBytes(state);
}

void BM_Write_DomBaseline(benchmark::State &state)
{
    const QDomDocument &doc = document();
    for (auto _ : state) {
        QByteArray out = doc.toString(1).toUtf8();
        benchmark::DoNotOptimize(out);
    }
    setBytes(state);
}

void BM_Write_Frame(benchmark::State &state)
{
    const QDomDocument &doc = document();
    for (auto _ : state) {
        QByteArray out;
        QBuffer buffer(&out);
        XMLReaderWriter rw(XMLReaderWriter::LocalDocument);
        if (!rw.writeDocument(doc, &buffer))
            state.SkipWithError("writeDocument failed");
        benchmark::DoNotOptimize(out);
    }
    setBytes(state);
}

// Element lookups over the read tree: every task's fields by term.
void BM_Lookup_Frame(benchmark::State &state)
{
    XMLReaderWriter rw(XMLReaderWriter::LocalDocument);
    QByteArray bytes = documentBytes();
    QBuffer buffer(&bytes);
    const QDomDocument doc = rw.readDocument(&buffer);
    const QDomElement body = rw.mandatoryElementByTagName(doc.documentElement(), QStringLiteral("body"));
    for (auto _ : state) {
        qint64 found = 0;
        for (QDomElement list = body.firstChildElement(); !list.isNull(); list = list.nextSiblingElement()) {
            const QDomElement ul = rw.mandatoryChildElementByClass(list, QStringLiteral("pd-tasks"));
            for (QDomElement li = ul.firstChildElement(); !li.isNull(); li = li.nextSiblingElement()) {
                const QDomElement dl = rw.mandatoryChildElementByClass(li, QStringLiteral("pd-task-fields"));
                const QMap<QString, QString> map = rw.readDefinitionList(dl);
                found += XMLReaderWriter::parseDateTime(map.value(QStringLiteral("due"))).isValid();
            }
        }
        benchmark::DoNotOptimize(found);
    }
}

BENCHMARK(BM_Read_StreamReaderBaseline)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Read_DomBaseline)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Read_Frame)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Write_DomBaseline)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Write_Frame)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Lookup_Frame)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    benchmark::Initialize(&argc, argv);
    std::printf("document: %.1f MiB\n", double(documentBytes().size()) / (1024.0 * 1024.0));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nratios of CPU time (same run, same bytes):\n");
    reporter.printRatio("frame read / QDomDocument::setContent", QStringLiteral("BM_Read_Frame"),
                        QStringLiteral("BM_Read_DomBaseline"));
    reporter.printRatio("frame read / QXmlStreamReader pass", QStringLiteral("BM_Read_Frame"),
                        QStringLiteral("BM_Read_StreamReaderBaseline"));
    reporter.printRatio("QDomDocument::setContent / QXmlStreamReader pass", QStringLiteral("BM_Read_DomBaseline"),
                        QStringLiteral("BM_Read_StreamReaderBaseline"));
    reporter.printRatio("frame write / QDomDocument::toString", QStringLiteral("BM_Write_Frame"),
                        QStringLiteral("BM_Write_DomBaseline"));
    benchmark::Shutdown();
    return 0;
}
