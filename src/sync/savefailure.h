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

    SaveFailure() = default;
    SaveFailure(Document document, const QString &path, const QString &reason);

    bool isNull() const { return m_path.isEmpty() && m_reason.isEmpty(); }
    // "Your lists could not be saved to "<file>": <reason>."
    QString text() const;
    // What a synchronisation that stopped before its uploads ends with.
    QString nothingSentText() const;

private:
    Document m_document = Lists;
    QString m_path;
    QString m_reason;
};

#endif
