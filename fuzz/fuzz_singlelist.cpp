// Fuzzes the reader of the single-list document the server sends.
#include "fuzzsetup.h"

#include "model/task.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSetup::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TaskReaderWriter reader(XMLReaderWriter::ServerDocument);
    const QDomDocument doc = FuzzSetup::readDocument(reader, data, size);
    if (doc.isNull())
        return 0;
    TaskList *list = reader.readSingleList(doc);
    if (list) {
        TaskReaderWriter writer(XMLReaderWriter::ServerDocument);
        writer.writeSingleList(list);
        delete list;
    }
    return 0;
}
