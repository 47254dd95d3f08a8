// Fuzzes the reader of the local lists document ("lists.xhtml" and backups).
#include "fuzzsetup.h"

#include "model/taskreaderwriter.h"
#include "model/userlists.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSetup::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes = FuzzSetup::bytesOf(data, size);
    // As a backup is read (a refused list refuses all) and as the program's
    // own file is (refused lists left out).
    for (const bool skipping : {false, true}) {
        QBuffer buffer(&bytes);
        TaskReaderWriter reader(XMLReaderWriter::LocalDocument);
        reader.setSkipsUnreadRecords(skipping);
        UserLists *lists = reader.loadLists(&buffer);
        if (lists) {
            // Whatever was read must write again.
            QBuffer out;
            TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
            writer.saveLists(lists, &out);
            delete lists;
        }
    }
    return 0;
}
