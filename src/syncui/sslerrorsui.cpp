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

bool SslErrorsUI::askUser(const QStringList &errorTexts)
{
    return MessageDialog::question(tr("Secure connection problem"), questionText(errorTexts),
                                   m_parentWidget.data());
}
