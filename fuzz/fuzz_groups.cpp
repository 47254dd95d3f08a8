// Fuzzes the list groups document, local and server kind. Whatever the reader
// accepts is written back and must read again: the writer never writes what
// its own reader refuses.
#include "model/listsgroups.h"
#include "model/listsgroupsreaderwriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QStandardPaths>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

void roundTrip(int kind, const QDomDocument &doc)
{
    ListsGroupsReaderWriter reader(kind);
    std::unique_ptr<ListsGroups> groups(reader.readListsGroups(doc));
    if (!groups || !reader.errorString().isEmpty())
        return;
    QByteArray bytes;
    QBuffer out(&bytes);
    ListsGroupsReaderWriter writer(kind);
    if (!writer.saveListsGroups(groups.get(), &out))
        abort();
    out.close();
    ListsGroupsReaderWriter again(kind);
    std::unique_ptr<ListsGroups> reread(again.loadListsGroups(&out));
    if (!reread)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    QStandardPaths::setTestModeEnabled(true);
    static QCoreApplication app(*argc, *argv);
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    qInstallMessageHandler(quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    ListsGroupsReaderWriter reader(XMLReaderWriter::LocalDocument);
    const QDomDocument doc = reader.readDocument(&buffer);
    if (doc.isNull())
        return 0;
    roundTrip(XMLReaderWriter::LocalDocument, doc);
    roundTrip(XMLReaderWriter::ServerDocument, doc);
    return 0;
}
