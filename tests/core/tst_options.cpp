#include "childprocess.h"
#include "testenvironment.h"

namespace {

QStringList prog(const QStringList &args)
{
    return QStringList(QStringLiteral("/usr/bin/Plumdeck")) + args;
}

// Parses `args` and gives "name=value" for each value that differs from an
// empty command line's (the version against the built-in one).
QString parsed(const QStringList &args)
{
    Options::resetAll();
    Options::parse(prog({}));
    QMap<QString, QString> plain = optionValues();
    plain[QStringLiteral("version")] = QStringLiteral("3.0.3054");
    Options::resetAll();
    Options::parse(prog(args));
    QStringList changed;
    const QMap<QString, QString> values = optionValues();
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (plain.value(it.key()) != it.value())
            changed << it.key() + QLatin1Char('=') + it.value();
    }
    return changed.join(QLatin1Char(' '));
}

} // namespace

class TstOptions : public QObject
{
    Q_OBJECT
private slots:
    void cleanupTestCase() { Options::resetAll(); }

    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("changed");
        const QString test = QStringLiteral("noconfirm=false noload=false nosave=false test=true");
        QTest::newRow("none") << QStringList() << "";
        QTest::newRow("log list, empty parts skipped") << QStringList{"-log", "event,,avatar"} << "log=event|avatar";
        QTest::newRow("value starting with dash") << QStringList{"-locale", "-x"} << "locale=-x";
        QTest::newRow("value and a flag") << QStringList{"-locale", "es_ES", "-multiple"}
                                          << "locale=es_ES multiple=true";
        QTest::newRow("percent in a value") << QStringList{"-locale", "%s%n"} << "locale=%s%n";
        QTest::newRow("words after test") << QStringList{"-test", "lists.xhtml", "-bogus"}
                                          << test + " testargs=lists.xhtml|-bogus";
        QTest::newRow("words after testandrun") << QStringList{"-locale", "de", "-testandrun", "a"}
                                                << "locale=de " + test + " testandrun=true testargs=a";
        QTest::newRow("test with noload") << QStringList{"-noload", "-test"} << test;
        QTest::newRow("noload given") << QStringList{"-noload"} << "noload=false";
        QTest::newRow("given twice") << QStringList{"-nostylesheet", "-nostylesheet"} << "nostylesheet=false";
        QTest::newRow("parsed, changes nothing else") << QStringList{"-noignoresslerrors"}
                                                      << "noignoresslerrors=false";
        QTest::newRow("build number") << QStringList{"-internalversion", "1979"}
                                      << "internalversion=1979 version=3.0.1979";
        QTest::newRow("0 keeps the default") << QStringList{"-internalversion", "0"} << "";
        QTest::newRow("1") << QStringList{"-internalversion", "1"} << "internalversion=1 version=3.0.1";
        QTest::newRow("negative") << QStringList{"-internalversion", "-5"} << "internalversion=-5 version=3.0.-5";
        QTest::newRow("plus sign") << QStringList{"-internalversion", "+7"} << "internalversion=7 version=3.0.7";
    }

    void parse()
    {
        QFETCH(QStringList, args);
        QTEST(parsed(args), "changed");
    }

    // Errors end the program: run the parse in a child process.
    void errors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString noValue = QStringLiteral("failed to parse value following ");
        QTest::newRow("unknown") << QStringList{"-bogus"} << "unknown arg bogus";
        QTest::newRow("double dash") << QStringList{"--log", "x"} << "unknown arg -log";
        QTest::newRow("lone dash") << QStringList{"-"} << "unknown arg ";
        QTest::newRow("case matters") << QStringList{"-Multiple"} << "unknown arg Multiple";
        QTest::newRow("locale last") << QStringList{"-multiple", "-locale"} << noValue + "locale";
        QTest::newRow("not a number") << QStringList{"-internalversion", "12x"} << noValue + "internalversion";
        QTest::newRow("blank number") << QStringList{"-internalversion", " 12"} << noValue + "internalversion";
        QTest::newRow("sign alone") << QStringList{"-internalversion", "-"} << noValue + "internalversion";
        QTest::newRow("too big") << QStringList{"-internalversion", "99999999999"} << noValue + "internalversion";
        QTest::newRow("log without value") << QStringList{"-log"} << noValue + "log";
        QTest::newRow("stray word first") << QStringList{"lists.xhtml", "-multiple"} << "couldn't parse arg lists.xhtml";
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
        QCOMPARE(QString::fromUtf8(r.out), message + QStringLiteral(
            "\n\nUsage:\n"
            "-internalversion: internal version\n"
            "-locale: locale name e.g. es_ES\n"
            "-log: list of log modules\n"
            "-modelcheck: periodic data structure checking\n"
            "-multiple: start even if another instance is running (on another data folder)\n"
            "-noconfirm: don't confirm list removals\n"
            "-noignoresslerrors: don't ignore SSL errors\n"
            "-noload: don't load lists\n"
            "-nosave: don't save lists\n"
            "-nostylesheet: don't use the style sheet\n"
            "-stylesheetloader: use the style sheet loader\n"
            "-test: run tests\n"
            "-testandrun: run tests and keep running afterwards\n\n"));
        QVERIFY(r.err.contains(message.toUtf8()));
    }

    void childParsesLikeThisProcess()
    {
        const QStringList args{"-log", "a,b", "-noload", "-locale", "x", "-test", "y"};
        const ChildResult r = runCoreChild(QStringList{"options"} + args);
        QCOMPARE(r.exitCode, 0);
        parsed(args);
        QStringList expected;
        const QMap<QString, QString> values = optionValues();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            expected << it.key() + QLatin1Char('=') + it.value();
        QCOMPARE(QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts), expected);
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
        QVERIFY(r.finished && r.failed());
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
