#include "core/options.h"
#include "shell/application.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

class TstApplication : public QObject
{
    Q_OBJECT
private slots:
    // The restart starts the running program's own file, without arguments.
    void restartStartsTheRememberedProgram()
    {
        QTemporaryDir dir;
        const QString marker = dir.filePath(QStringLiteral("started"));
        const QString program = dir.filePath(QStringLiteral("Plumdeck"));
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\necho \"$#\" > '%1.part' && mv '%1.part' '%1'\n").arg(marker).toUtf8());
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);

        rememberProgramPath(program);
        QVERIFY(restartProgram());
        QTRY_VERIFY(QFile::exists(marker));
        QFile started(marker);
        QVERIFY(started.open(QIODevice::ReadOnly));
        QCOMPARE(started.readAll().trimmed(), QByteArray("0"));

        rememberProgramPath(QString());
        QTest::ignoreMessage(QtWarningMsg, "could not start the program again \"\"");
        QVERIFY(!restartProgram());
    }

    void localeNamesTheTranslations()
    {
        Options::parse({QStringLiteral("Plumdeck"), QStringLiteral("-locale"), QStringLiteral("de_DE")});
        QTest::ignoreMessage(QtDebugMsg, "no translation \"translations/qt_de_DE\"");
        QTest::ignoreMessage(QtDebugMsg, "no translation \"translations/plumdeck_de_DE\"");
        setUpLocale();
        QCOMPARE(QLocale().name(), QStringLiteral("de_DE"));
        Options::resetAll();
        QLocale::setDefault(QLocale::c());
    }
};

PLUMDECK_TEST_MAIN(TstApplication)
#include "tst_application.moc"
