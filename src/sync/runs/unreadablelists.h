#ifndef UNREADABLELISTS_H
#define UNREADABLELISTS_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class ListInfo;
class ListSynchronizer;

// The lists a synchronisation could not read from the server. Such a list is
// left as it is on both sides and the run goes on with the others; it ends
// by naming them, so that one list nobody here can read (another user's,
// nested too deep) neither stops every run nor goes unmentioned.
class UnreadableLists
{
    Q_DECLARE_TR_FUNCTIONS(UnreadableLists)

public:
    // True when the step failed only because the server's copy of its list
    // could not be read: the list is recorded and the run may go on.
    bool take(const ListSynchronizer *step, const ListInfo *info);
    // The same for a list the run fetched itself: the copy here named
    // `name` (empty for none), the server's `info`, its id.
    void add(const QString &name, const ListInfo *info, quint32 id, const QString &reason);
    bool isEmpty() const { return m_labels.isEmpty(); }
    // What a run ends with: `error` (null when nothing else failed)
    // followed by the lists that could not be read.
    QString addTo(const QString &error) const;

    // The step's error text, naming the list when it could not be read.
    static QString stepError(const ListSynchronizer *step, const ListInfo *info);

private:
    // The name the user knows the list by: the copy here, else the server's
    // summary, else its id.
    static QString label(const ListSynchronizer *step, const ListInfo *info);
    static QString label(QString name, const ListInfo *info, quint32 id);
    static QString message(const QString &label, const QString &reason);

    QStringList m_labels;
    QStringList m_reasons;
};

#endif
