#ifndef APPLICATION_H
#define APPLICATION_H

#include <QDateTime>
#include <QString>

class MessageDialog;
class ModelsContainer;

// The program's body: start-up, the event loop and shutdown. main() keeps
// the arguments, runs runApplication(), always shuts down, and starts the
// program again when a skin change asked for it.

void keepArguments(int &argc, char **argv);
// Start-up, event loop, destruction of the windows; 0, or 1 when another
// instance runs on the same data folder.
int runApplication();
// Closes every window, destroys the models container and the application,
// and lets the data folder go.
void shutdownApplication();

// What a start on a data folder another instance holds says (the folder and
// its lock file as the user's system writes paths).
QString dataFolderInUseTitle();
QString dataFolderInUseText(const QString &folder, const QString &lockFile);
// What a start asks on a data folder whose lock was written on another
// computer (`host`, at `since`), and says when taking it over failed.
QString dataFolderElsewhereTitle();
QString dataFolderElsewhereText(const QString &folder, const QString &host, const QDateTime &since);
QString dataFolderNotTakenOverText(const QString &folder, const QString &lockFile);
// That question: "Take over" or Cancel, Cancel the default.
MessageDialog *newDataFolderElsewhereQuestion(const QString &folder, const QString &host, const QDateTime &since);

// The running program's own file, remembered at start-up: shutdown deletes
// the application object before the restart.
void rememberProgramPath(const QString &path);
// Starts the remembered program again, without arguments. False when it could
// not be started.
bool restartProgram();

void showSplashScreen();
void closeSplashScreen();
// -locale, then the translations "qt" and "plumdeck".
void setUpLocale();
// "translations/<baseName>_<locale name>", relative to the current folder.
bool loadTranslation(const QString &baseName);
void loadStyleSheet(const QString &path);

// Whether the main window shows at start: not when the program starts hidden
// in a tray that can bring it back.
bool startsWithWindowShown();

#endif
