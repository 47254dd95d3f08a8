#include "app/application.h"
#include "core/options.h"
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

    void styleSheetOfTheSkin_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("sheetSet");
        QTest::newRow("green") << ":/default.css" << true;
        QTest::newRow("blue") << ":/BlueStyle.css" << true;
        // A sheet that cannot be read leaves no stale rules behind.
        QTest::newRow("missing") << ":/no-such-sheet.css" << false;
    }

    void styleSheetOfTheSkin()
    {
        QFETCH(QString, path);
        QFETCH(bool, sheetSet);
        qApp->setStyleSheet(QStringLiteral("QWidget { color: red; }"));
        loadStyleSheet(path);
        QFile file(path);
        QCOMPARE(file.open(QIODevice::ReadOnly), sheetSet);
        QCOMPARE(qApp->styleSheet(), sheetSet ? QString::fromUtf8(file.readAll()) : QString());
        QCOMPARE(qApp->styleSheet().isEmpty(), !sheetSet);
        qApp->setStyleSheet(QString());
    }

    void missingTranslationIsNotInstalled()
    {
        QTest::ignoreMessage(QtDebugMsg, "no translation \"translations/nothing_C\"");
        QLocale::setDefault(QLocale::c());
        QVERIFY(!loadTranslation(QStringLiteral("nothing")));
    }
};

PLUMDECK_TEST_MAIN(TstApplication)
#include "tst_application.moc"
