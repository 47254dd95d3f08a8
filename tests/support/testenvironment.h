#ifndef TESTENVIRONMENT_H
#define TESTENVIRONMENT_H

#include <QApplication>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

namespace TestEnvironment {

// Points HOME and the XDG folders at a fresh temporary directory and turns on
// QStandardPaths' test mode, so nothing a test does reaches the real user's
// files or settings. Call before the application object exists.
void isolateUserFolders();

// The organisation and application names the program's start-up sets; they
// scope the settings and are written into documents.
void setProgramNames();

// What the program's start-up hands the synchronisation from its window
// layer: the message boxes a run's notices show in, the certificate question
// over a run's window.
void answerAsTheProgram();

// The temporary home made by isolateUserFolders().
QString homePath();

// QTest::qExec, and "-share K/N" among the arguments: only the K-th of N
// shares of the test functions and their data rows runs (every N-th in the
// order -datatags lists them, from the K-th), so that one long program can
// run as N processes side by side; a row added falls into a share by itself.
// Not to be given with names of test functions. A function named in the
// class info "sharesItsItems" (comma-separated) runs in every share and
// picks its own items with inShare().
int exec(QObject *test, int argc, char **argv);

// Whether the item numbered `item` (from 0) of such a function belongs to
// this process's share; always true without -share.
bool inShare(int item);

} // namespace TestEnvironment

// QTEST_MAIN with the user's folders isolated first.
#define PLUMDECK_TEST_MAIN(TestObject)                                   \
    int main(int argc, char *argv[])                                     \
    {                                                                    \
        TestEnvironment::isolateUserFolders();                           \
        QApplication app(argc, argv);                                    \
        TestEnvironment::setProgramNames();                              \
        TestEnvironment::answerAsTheProgram();                           \
        app.setAttribute(Qt::AA_Use96Dpi, true);                         \
        TestObject tc;                                                   \
        QTEST_SET_MAIN_SOURCE_PATH                                       \
        return TestEnvironment::exec(&tc, argc, argv);                   \
    }

#endif
