#include "shell/testcrashaction.h"

#include "shell/mainwindow.h"
#include "shell/messagedialog.h"

#include <QDebug>

TestCrashAction::TestCrashAction(MainWindow *mainWindow)
    : Action(QStringLiteral("Test crash handler"), mainWindow, mainWindow)
{
    setShortcut(QKeySequence(tr("Ctrl+Shift+Q", "shortcut")));
}

void TestCrashAction::execute()
{
    qCritical() << "Test crash handler: a critical message on request; the program goes on";
    MessageDialog::information(QStringLiteral("Test crash handler"),
                               tr("A critical message was written to the log. Plumdeck keeps running."),
                               qobject_cast<QWidget *>(owner()));
}
