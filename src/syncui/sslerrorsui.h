#ifndef SSLERRORSUI_H
#define SSLERRORSUI_H

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "sync/requests/sslerrorhandler.h"

class MessageDialog;

// Asks the user about certificate errors with a question box over the
// window that started the work (a synchronisation, a connection test).
class SslErrorsUI : public QObject, public SslErrorHandler
{
    Q_OBJECT
public:
    explicit SslErrorsUI(QWidget *parentWidget, QObject *parent = nullptr);

    bool askUser(const QStringList &errorTexts) override;

    // The text of the question for these errors.
    static QString questionText(const QStringList &errorTexts);
    // The question box for these errors, refusing unless Ok is chosen.
    static MessageDialog *makeQuestion(const QStringList &errorTexts, QWidget *parent);

private:
    QPointer<QWidget> m_parentWidget;
};

#endif
