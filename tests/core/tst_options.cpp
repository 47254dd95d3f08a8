#include "core/options.h"
#include "core/version.h"
#include "childprocess.h"
#include "testenvironment.h"

namespace {

const char expectedUsage[] =
    "-internalversion: internal version\n"
    "-locale: locale name e.g. es_ES\n"
    "-log: list of log modules\n"
    "-modelcheck: periodic data structure checking\n"
    "-multiple: start even if another instance is running\n"
    "-noconfirm: don't confirm list removals\n"
    "-noignoresslerrors: don't ignore SSL errors\n"
    "-noload: don't load lists\n"
    "-nosave: don't save lists\n"
    "-nostylesheet: don't use the style sheet\n"
    "-stylesheetloader: use the style sheet loader\n"
    "-test: run tests\n"
    "-testandrun: run tests and keep running afterwards\n";

QStringList prog(const QStringList &args)
{
    return QStringList(QStringLiteral("/usr/bin/Plumdeck")) + args;
}

} // namespace

class TstOptions : public QObject
{
    Q_OBJECT
private slots:
    void init() { Options::resetAll(); }
    void cleanupTestCase() { Options::resetAll(); }

    // The static option objects must survive static linking into every
    // executable, this one included.
    void usageListsAllThirteen()
    {
        QCOMPARE(Options::registeredOptions().size(), 13);
        QCOMPARE(Options::usage(), QString::fromLatin1(expectedUsage));
    }

    // The rest are checked by the "none" rows below.
    void initialValues()
    {
        Options::parse(prog({}));
        QCOMPARE(Options::log.value(), QStringList());
        QCOMPARE(Options::stylesheetloader.value(), false);
        QCOMPARE(Options::testandrun.value(), false);
        QCOMPARE(Options::multiple.value(), false);
        QVERIFY(Options::locale.value().isNull());
        QCOMPARE(Options::modelcheck.value(), false);
        QCOMPARE(Options::noignoresslerrors.value(), true);
    }

    void values_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("testArgs");
        QTest::newRow("log list, empty parts skipped")
            << QStringList{"-log", "event,,avatar"} << QStringList{"event", "avatar"} << QString() << QStringList();
        QTest::newRow("value starting with dash") << QStringList{"-locale", "-x"} << QStringList() << "-x"
                                                  << QStringList();
        QTest::newRow("locale") << QStringList{"-locale", "es_ES", "-multiple"} << QStringList() << "es_ES"
                                << QStringList();
        QTest::newRow("words after test") << QStringList{"-test", "lists.xhtml", "-bogus"} << QStringList()
                                          << QString() << QStringList{"lists.xhtml", "-bogus"};
        QTest::newRow("words after testandrun") << QStringList{"-locale", "de", "-testandrun", "a"}
                                                << QStringList() << "de" << QStringList{"a"};
        QTest::newRow("percent in a value") << QStringList{"-locale", "%s%n"} << QStringList() << "%s%n"
                                            << QStringList();
    }

    void values()
    {
        QFETCH(QStringList, args);
        Options::parse(prog(args));
        QTEST(Options::log.value(), "log");
        QTEST(Options::locale.value(), "locale");
        QTEST(Options::testArguments(), "testArgs");
    }

    void implications_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("test");
        QTest::addColumn<bool>("noconfirm");
        QTest::addColumn<bool>("noload");
        QTest::addColumn<bool>("nosave");
        QTest::addColumn<bool>("nostylesheet");
        QTest::newRow("none") << QStringList() << false << true << true << true << true;
        QTest::newRow("test") << QStringList{"-test"} << true << false << false << false << true;
        QTest::newRow("testandrun") << QStringList{"-testandrun"} << true << false << false << false << true;
        QTest::newRow("noload given") << QStringList{"-noload"} << false << true << false << true << true;
        QTest::newRow("given twice") << QStringList{"-nostylesheet", "-nostylesheet"} << false << true << true
                                     << true << false;
        QTest::newRow("test with noload") << QStringList{"-noload", "-test"} << true << false << false << false
                                          << true;
    }

    void implications()
    {
        QFETCH(QStringList, args);
        Options::parse(prog(args));
        QTEST(Options::test.value(), "test");
        QTEST(Options::noconfirm.value(), "noconfirm");
        QTEST(Options::noload.value(), "noload");
        QTEST(Options::nosave.value(), "nosave");
        QTEST(Options::nostylesheet.value(), "nostylesheet");
    }

    void version_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("build");
        QTest::addColumn<QString>("text");
        QTest::newRow("default") << QStringList() << 3054 << "3.0.3054";
        QTest::newRow("77") << QStringList{"-internalversion", "77"} << 77 << "3.0.77";
        QTest::newRow("0 keeps default") << QStringList{"-internalversion", "0"} << 3054 << "3.0.3054";
        QTest::newRow("negative") << QStringList{"-internalversion", "-5"} << -5 << "3.0.-5";
    }

    void version()
    {
        QFETCH(QStringList, args);
        Options::parse(prog(args));
        QTEST(buildNumber(), "build");
        QTEST(versionString(), "text");
    }

    // Errors end the program: run the parse in a child process.
    void errors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown") << QStringList{"-bogus"} << "unknown arg bogus";
        QTest::newRow("double dash") << QStringList{"--log", "x"} << "unknown arg -log";
        QTest::newRow("lone dash") << QStringList{"-"} << "unknown arg ";
        QTest::newRow("case matters") << QStringList{"-Multiple"} << "unknown arg Multiple";
        QTest::newRow("locale last") << QStringList{"-multiple", "-locale"}
                                     << "failed to parse value following locale";
        QTest::newRow("not a number") << QStringList{"-internalversion", "12x"}
                                      << "failed to parse value following internalversion";
        QTest::newRow("blank number") << QStringList{"-internalversion", " 12"}
                                      << "failed to parse value following internalversion";
        QTest::newRow("too big") << QStringList{"-internalversion", "99999999999"}
                                 << "failed to parse value following internalversion";
        QTest::newRow("log without value") << QStringList{"-log"} << "failed to parse value following log";
        QTest::newRow("stray word first") << QStringList{"lists.xhtml", "-multiple"}
                                          << "couldn't parse arg lists.xhtml";
        QTest::newRow("stray word last") << QStringList{"-multiple", "lists.xhtml", "-noload"}
                                         << "couldn't parse arg lists.xhtml";
        QTest::newRow("percent signs") << QStringList{"-%s%s%n%n"} << "unknown arg %s%s%n%n";
    }

    void errors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const ChildResult r = runCoreChild(QStringList{"options"} + args);
        QVERIFY(r.finished);
        QCOMPARE(r.exitStatus, QProcess::NormalExit); // no abort, no core dump
        QCOMPARE(r.exitCode, 2);
        const QString expected = message + QStringLiteral("\n\nUsage:\n") + QString::fromLatin1(expectedUsage)
                                 + QStringLiteral("\n");
        QCOMPARE(QString::fromUtf8(r.out), expected);
        QVERIFY(r.err.contains(message.toUtf8()));
    }

    void childParsesLikeThisProcess()
    {
        const ChildResult r = runCoreChild({"options", "-log", "a,b", "-noload", "-test", "x"});
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 14);
        QVERIFY(lines.contains("log=a|b"));
        QVERIFY(lines.contains("noload=false"));
        QVERIFY(lines.contains("noconfirm=false"));
        QVERIFY(lines.contains("test=true"));
        QVERIFY(lines.contains("testargs=x"));
    }

    void impliesFatal_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown first") << "nosuch" << "test" << "can't find option for implies nosuch test";
        QTest::newRow("unknown second") << "test" << "nosuch" << "can't find option for implies test nosuch";
        QTest::newRow("not bool first") << "locale" << "test" << "not a registered BoolOption locale";
        QTest::newRow("not bool second") << "test" << "log" << "not a registered BoolOption log";
    }

    void impliesFatal()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, message);
        const ChildResult r = runCoreChild({"implies", a, b});
        QVERIFY(r.finished);
        QVERIFY(r.exitStatus == QProcess::CrashExit || r.exitCode != 0);
        QVERIFY2(r.err.contains(message.toUtf8()), r.err.constData());
        QVERIFY(!r.out.contains("implied"));
    }

    void registeringTwiceWarns()
    {
        QTest::ignoreMessage(QtWarningMsg, "attempt to register option \"log\"  twice");
        Options::BoolOption duplicate(QStringLiteral("log"), QStringLiteral("other"), false);
        QCOMPARE(Options::registeredOptions().value("log"), static_cast<Options::Option *>(&Options::log));
        QCOMPARE(Options::registeredOptions().size(), 13);
    }
};

PLUMDECK_TEST_MAIN(TstOptions)
#include "tst_options.moc"
