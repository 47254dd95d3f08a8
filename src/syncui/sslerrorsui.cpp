#include "syncui/sslerrorsui.h"

#include "shell/messagedialog.h"

SslErrorsUI::SslErrorsUI(QWidget *parentWidget, QObject *parent)
    : QObject(parent)
    , m_parentWidget(parentWidget)
{
}

QString SslErrorsUI::questionText(const QStringList &errorTexts)
{
    return QStringLiteral("- ") + errorTexts.join(QStringLiteral("\n\n- ")) + QStringLiteral("\n\n")
        + tr("Connect anyway?");
}

MessageDialog *SslErrorsUI::makeQuestion(const QStringList &errorTexts, QWidget *parent)
{
    auto *dialog = new MessageDialog(tr("Secure connection problem"), questionText(errorTexts), true, parent);
    // Accepting hands the password to whoever holds this key: a Return or a
    // Space typed for another window refuses. Ok takes a deliberate choice.
    dialog->makeCancelTheDefault();
    return dialog;
}

bool SslErrorsUI::askUser(const QStringList &errorTexts)
{
    // On the heap: a parent deleted while the question runs deletes it too.
    QPointer<MessageDialog> dialog = makeQuestion(errorTexts, m_parentWidget.data());
    const bool accepted = dialog->exec() == QDialog::Accepted;
    delete dialog.data();
    return accepted;
}
