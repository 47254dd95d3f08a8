#include "core/options.h"

#include <QDebug>

#include <cstdio>
#include <cstdlib>

namespace Options {

namespace {

QStringList &testArgumentList()
{
    static QStringList list;
    return list;
}

bool isDecimalInt(const QString &text)
{
    int i = (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) ? 1 : 0;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i) {
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            return false;
    }
    return true;
}

BoolOption *boolOption(const QString &name)
{
    return dynamic_cast<BoolOption *>(registeredOptions().value(name));
}

} // namespace

Option::Option(const QString &name, const QString &help)
    : m_name(name), m_help(help)
{
    registerOption(this);
}

Option::~Option() = default;

BoolOption::BoolOption(const QString &name, const QString &help, bool initial)
    : Option(name, help), m_initial(initial), m_value(initial)
{
}

bool BoolOption::parse(QStringList &)
{
    set();
    return true;
}

IntOption::IntOption(const QString &name, const QString &help, int initial)
    : Option(name, help), m_initial(initial), m_value(initial)
{
}

bool IntOption::parse(QStringList &arguments)
{
    if (arguments.isEmpty())
        return false;
    const QString text = arguments.takeFirst();
    bool ok = isDecimalInt(text);
    const int v = ok ? text.toInt(&ok, 10) : 0;
    if (!ok)
        return false;
    m_value = v;
    return true;
}

StringOption::StringOption(const QString &name, const QString &help, const QString &initial)
    : Option(name, help), m_initial(initial), m_value(initial)
{
}

bool StringOption::parse(QStringList &arguments)
{
    if (arguments.isEmpty())
        return false;
    m_value = arguments.takeFirst();
    return true;
}

StringListOption::StringListOption(const QString &name, const QString &help)
    : Option(name, help)
{
}

bool StringListOption::parse(QStringList &arguments)
{
    if (arguments.isEmpty())
        return false;
    m_value = arguments.takeFirst().split(QLatin1Char(','), Qt::SkipEmptyParts,
                                          Qt::CaseSensitive);
    return true;
}

QMap<QString, Option *> &registeredOptions()
{
    // Created on first use: the option objects register during static
    // initialisation, in whatever order the linker chose.
    static QMap<QString, Option *> options;
    return options;
}

void registerOption(Option *option)
{
    QMap<QString, Option *> &options = registeredOptions();
    if (options.contains(option->name())) {
        qWarning() << "attempt to register option" << option->name() << " twice";
        return;
    }
    options.insert(option->name(), option);
}

void parse(const QStringList &argumentsIn)
{
    QStringList arguments = argumentsIn;
    if (!arguments.isEmpty())
        arguments.removeFirst();

    while (!arguments.isEmpty()) {
        if (!arguments.first().startsWith(QLatin1Char('-'), Qt::CaseSensitive))
            break;
        const QString name = arguments.takeFirst().mid(1);
        Option *option = registeredOptions().value(name);
        if (!option)
            printUsageAndExit(QStringLiteral("unknown arg %1").arg(name));
        if (!option->parse(arguments))
            printUsageAndExit(QStringLiteral("failed to parse value following %1").arg(option->name()));
        if (name == QLatin1String("test") || name == QLatin1String("testandrun")) {
            testArgumentList() += arguments;
            arguments.clear();
            break;
        }
    }
    if (!arguments.isEmpty())
        printUsageAndExit(QStringLiteral("couldn't parse arg %1").arg(arguments.first()));

    implies(QStringLiteral("testandrun"), QStringLiteral("test"));
    implies(QStringLiteral("test"), QStringLiteral("noconfirm"));
    implies(QStringLiteral("test"), QStringLiteral("noload"));
    implies(QStringLiteral("test"), QStringLiteral("nosave"));
}

void implies(const QString &a, const QString &b)
{
    const QMap<QString, Option *> &options = registeredOptions();
    if (!options.contains(a) || !options.contains(b))
        qFatal("can't find option for implies %s %s", qPrintable(a), qPrintable(b));
    BoolOption *from = boolOption(a);
    if (!from)
        qFatal("not a registered BoolOption %s", qPrintable(a));
    BoolOption *to = boolOption(b);
    if (!to)
        qFatal("not a registered BoolOption %s", qPrintable(b));
    if (from->value())
        to->set();
}

QString usage()
{
    QString text;
    const QMap<QString, Option *> &options = registeredOptions();
    for (auto it = options.cbegin(); it != options.cend(); ++it)
        text += QStringLiteral("-%1: %2\n").arg(it.key(), it.value()->help());
    return text;
}

void printUsageAndExit(const QString &message)
{
    const QString text = message + QLatin1Char('\n') + QLatin1Char('\n')
                         + QStringLiteral("Usage:\n") + usage() + QLatin1Char('\n');
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
    // A mistyped option is no crash: report it and end with status 2 rather
    // than aborting (which would raise SIGABRT and may leave a core dump).
    qCritical("%s", qPrintable(message));
    std::fflush(stderr);
    std::_Exit(2);
}

QStringList testArguments()
{
    return testArgumentList();
}

void resetAll()
{
    for (Option *option : std::as_const(registeredOptions()))
        option->reset();
    testArgumentList().clear();
}

StringListOption log(QStringLiteral("log"), QStringLiteral("list of log modules"));
IntOption internalversion(QStringLiteral("internalversion"), QStringLiteral("internal version"), 0);
BoolOption nostylesheet(QStringLiteral("nostylesheet"), QStringLiteral("don't use the style sheet"), true);
BoolOption stylesheetloader(QStringLiteral("stylesheetloader"), QStringLiteral("use the style sheet loader"), false);
BoolOption test(QStringLiteral("test"), QStringLiteral("run tests"), false);
BoolOption testandrun(QStringLiteral("testandrun"), QStringLiteral("run tests and keep running afterwards"), false);
BoolOption multiple(QStringLiteral("multiple"),
                    QStringLiteral("start even if another instance is running (on another data folder)"), false);
StringOption locale(QStringLiteral("locale"), QStringLiteral("locale name e.g. es_ES"));
BoolOption modelcheck(QStringLiteral("modelcheck"), QStringLiteral("periodic data structure checking"), false);
BoolOption noload(QStringLiteral("noload"), QStringLiteral("don't load lists"), true);
BoolOption nosave(QStringLiteral("nosave"), QStringLiteral("don't save lists"), true);
BoolOption noconfirm(QStringLiteral("noconfirm"), QStringLiteral("don't confirm list removals"), true);
BoolOption noignoresslerrors(QStringLiteral("noignoresslerrors"), QStringLiteral("don't ignore SSL errors"), true);

} // namespace Options
