#include "shell/stringentrydialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

StringEntryDialog::StringEntryDialog(const QString &title, const QString &labelText,
                                     const QString &initialText, QWidget *parent)
    : CustomDialog(title, true, true, true, parent)
    , m_initialText(initialText)
{
    setFixedSize(240, 126);

    auto *layout = new QVBoxLayout;
    layout->setSpacing(0);
    auto *label = new QLabel(labelText);
    label->setObjectName(QStringLiteral("label"));
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);

    m_edit = new QLineEdit(initialText);
    m_edit->setObjectName(QStringLiteral("edit"));
    layout->addWidget(m_edit);
    setContentLayout(layout);

    m_edit->setFocus();
}

QString StringEntryDialog::text() const
{
    if (result() == QDialog::Accepted)
        return m_edit->text().trimmed();
    return m_initialText;
}

void StringEntryDialog::setMaxLength(int length)
{
    m_edit->setMaxLength(length);
}
