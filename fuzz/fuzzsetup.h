// Set-up shared by the fuzz targets.
#ifndef FUZZSETUP_H
#define FUZZSETUP_H

#include "core/xmlreaderwriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDomDocument>
#include <QStandardPaths>

#include <cstddef>
#include <cstdint>

namespace FuzzSetup {

inline void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

// For LLVMFuzzerInitialize: one application for the whole run, test paths so
// nothing a target writes lands among the user's files, and no messages (the
// warnings about refused input would dominate the run).
inline void initialize(int *argc, char ***argv)
{
    QStandardPaths::setTestModeEnabled(true);
    static QCoreApplication app(*argc, *argv);
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    qInstallMessageHandler(quiet);
}

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The input read the way the program reads a file or a server answer.
inline QDomDocument readDocument(XMLReaderWriter &reader, const uint8_t *data, size_t size)
{
    QByteArray bytes = bytesOf(data, size);
    QBuffer buffer(&bytes);
    return reader.readDocument(&buffer);
}

} // namespace FuzzSetup

#endif
