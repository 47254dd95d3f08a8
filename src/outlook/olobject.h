#ifndef OLOBJECT_H
#define OLOBJECT_H

#include <QObject>

// Base of the Outlook objects the task synchroniser uses. A call that fails
// inside Outlook reports `exception` and yields an empty or null result; the
// caller goes on and looks at the reports between its steps.
class OlObject : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~OlObject() override;

signals:
    void exception(int code, const QString &source, const QString &description, const QString &help);
};

#endif
