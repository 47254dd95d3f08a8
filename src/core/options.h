#ifndef OPTIONS_H
#define OPTIONS_H

#include <QMap>
#include <QString>
#include <QStringList>

// The command-line options: typed static objects that register themselves by
// name before main runs, parsed once at start-up and only read afterwards.
namespace Options {

class Option
{
public:
    Option(const QString &name, const QString &help);
    virtual ~Option();

    QString name() const { return m_name; }
    QString help() const { return m_help; }

    // Takes the option's value (if any) off the front of `arguments`.
    virtual bool parse(QStringList &arguments) = 0;
    // Back to the value before parsing (tests parse several command lines).
    virtual void reset() = 0;

private:
    QString m_name;
    QString m_help;
};

class BoolOption : public Option
{
public:
    BoolOption(const QString &name, const QString &help, bool initial);
    bool value() const { return m_value; }
    // What giving the option does: the negation of the initial value.
    void set() { m_value = !m_initial; }
    bool parse(QStringList &arguments) override;
    void reset() override { m_value = m_initial; }

private:
    bool m_initial;
    bool m_value;
};

class IntOption : public Option
{
public:
    IntOption(const QString &name, const QString &help, int initial);
    int value() const { return m_value; }
    bool parse(QStringList &arguments) override;
    void reset() override { m_value = m_initial; }

private:
    int m_initial;
    int m_value;
};

class StringOption : public Option
{
public:
    StringOption(const QString &name, const QString &help, const QString &initial = QString());
    QString value() const { return m_value; }
    bool parse(QStringList &arguments) override;
    void reset() override { m_value = m_initial; }

private:
    QString m_initial;
    QString m_value;
};

class StringListOption : public Option
{
public:
    StringListOption(const QString &name, const QString &help);
    QStringList value() const { return m_value; }
    bool parse(QStringList &arguments) override;
    void reset() override { m_value.clear(); }

private:
    QStringList m_value;
};

// Name -> option, iterated in ascending code-point order of the names.
QMap<QString, Option *> &registeredOptions();
void registerOption(Option *option);

// Parses the command line (program path first). Returns only on success;
// any error prints the usage and ends the program with status 2.
void parse(const QStringList &arguments);
// When bool option `a` is true, sets bool option `b`.
void implies(const QString &a, const QString &b);
QString usage();
[[noreturn]] void printUsageAndExit(const QString &message);

// What followed -test or -testandrun; nothing reads it.
QStringList testArguments();

// Every option back to its value before parsing, the test arguments emptied.
void resetAll();

extern StringListOption log;
extern IntOption internalversion;
extern BoolOption nostylesheet;
extern BoolOption stylesheetloader;
extern BoolOption test;
extern BoolOption testandrun;
extern BoolOption multiple;
extern StringOption locale;
extern BoolOption modelcheck;
extern BoolOption noload;
extern BoolOption nosave;
extern BoolOption noconfirm;
extern BoolOption noignoresslerrors;

} // namespace Options

#endif
