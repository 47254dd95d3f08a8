// Fuzzes the list groups document, local and server kind. Whatever the reader
// accepts is written back and must read again: the writer never writes what
// its own reader refuses.
#include "fuzzsetup.h"

#include "model/listsgroups.h"
#include "model/listsgroupsreaderwriter.h"

#include <cstdlib>
#include <memory>

namespace {

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
    FuzzSetup::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ListsGroupsReaderWriter reader(XMLReaderWriter::LocalDocument);
    const QDomDocument doc = FuzzSetup::readDocument(reader, data, size);
    if (doc.isNull())
        return 0;
    roundTrip(XMLReaderWriter::LocalDocument, doc);
    roundTrip(XMLReaderWriter::ServerDocument, doc);
    return 0;
}
