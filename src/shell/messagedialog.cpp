#include "shell/messagedialog.h"

#include <QLabel>
#include <QVBoxLayout>

MessageDialog::MessageDialog(const QString &title, const QString &text, bool withCancel, QWidget *parent)
    : CustomDialog(title, true, withCancel, true, parent)
{
    auto *layout = new QVBoxLayout;
    layout->setSpacing(0);
    auto *label = new QLabel(text);
    label->setObjectName(QStringLiteral("textlabel"));
    // Texts carry names the user typed; they are shown as typed, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    layout->addWidget(label);
    setContentLayout(layout);
    setCenterOnParent(true);
}

bool MessageDialog::question(const QString &title, const QString &text, QWidget *parent)
{
    MessageDialog dialog(title, text, true, parent);
    return dialog.exec() == QDialog::Accepted;
}

void MessageDialog::information(const QString &title, const QString &text, QWidget *parent)
{
    MessageDialog dialog(title, text, false, parent);
    dialog.exec();
}
