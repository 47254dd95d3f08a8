#ifndef SAVEFAILURE_H
#define SAVEFAILURE_H

#include <QCoreApplication>
#include <QString>

// A document that could not be written: which one, its file and the reason,
// told to the user in one sentence.
class SaveFailure
{
    Q_DECLARE_TR_FUNCTIONS(SaveFailure)

public:
    enum Document { Lists, ListsGroups, Notes };
    // What a run sent before a save failed.
    enum Sent {
        SentList,
        SentListRemoval,
        SentSharing,
        SentListOrder,
        SentGroups,
        SentNote,
        SentNoteRemoval,
        SentNoteOrder
    };

    SaveFailure() = default;
    SaveFailure(Document document, const QString &path, const QString &reason);

    bool isNull() const { return m_path.isEmpty() && m_reason.isEmpty(); }
    // "Your lists could not be saved to "<file>": <reason>."
    QString text() const;
    // What a synchronisation that stopped at the save ends with: text(),
    // then what it had sent before (each of sentText()), or that it sent
    // nothing.
    QString nothingSentText(const QStringList &sent = {}) const;
    // "the list "<name>"", "the list groups"...
    static QString sentText(Sent what, const QString &name = QString());

private:
    Document m_document = Lists;
    QString m_path;
    QString m_reason;
};

#endif
