// A small program the document tests run in a child process, to be killed
// in the middle of a save and to start again afterwards.
#include "model/documentfile.h"
#include "simulatedfs.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFileDevice>

#include <csignal>
#include <cstdio>

// arguments: [program, "save", path, "named" or "unnamed", where it is killed:
// "made" (as its temporary is made), "writing", "commit" or "none"],
// or [program, "start", path]
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString path = args.value(2);
    if (args.value(1) == QLatin1String("start")) {
        // What the program does with each document before loading it.
        std::printf("removed %d\n", DocumentFile::removeSaveLeftovers(path));
        return 0;
    }
    if (args.value(1) != QLatin1String("save")) {
        std::fputs("unknown mode\n", stderr);
        return 64;
    }
    plumdeck_simulate_named_temporaries(args.value(3) == QLatin1String("named"));
    plumdeck_simulate_kill_at_rename(args.value(4) == QLatin1String("commit"));
    const QByteArray temporaries = QFile::encodeName(QFileInfo(path).absoluteFilePath()) + ".plumdeck-save-*";
    if (args.value(4) == QLatin1String("made"))
        plumdeck_simulate_kill_after_creating(temporaries.constData());
    const bool killWhileWriting = args.value(4) == QLatin1String("writing");
    QString error;
    const bool saved = DocumentFile::save(
        path,
        [killWhileWriting](QIODevice *device, QString *) {
            if (!device->open(QIODevice::WriteOnly) || device->write("new ") != 4)
                return false;
            if (killWhileWriting) {
                // Part of the content on disk, as a large document's would be.
                static_cast<QFileDevice *>(device)->flush();
                std::raise(SIGKILL);
            }
            return device->write("content") == 7;
        },
        &error);
    std::printf("%s\n", saved ? "saved" : qPrintable(error));
    return saved ? 0 : 1;
}
