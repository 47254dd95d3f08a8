#ifndef PATHS_H
#define PATHS_H

#include <QDir>
#include <QString>

// The per-user places on disk. Every call asks the system afresh and creates
// the data directory again when it was removed.

// The user's application data folder (created when missing; fatal when that
// fails).
QDir appDataFolder();
// The user's documents folder, or the home directory.
QDir myDocumentsFolder();
// `relativePath` under `base`, created with its parents; fatal on failure.
QDir makeSubDir(const QDir &base, const QString &relativePath);

// "Marrowgate/PlumDeck" under the application data folder.
QDir userDataDir();
QString logFilePath();
QDir avatarsDir();
QString installerFilePath();
// "help" under the current directory, else the current directory.
QDir helpDir();
QDir documentsDir();

#endif
