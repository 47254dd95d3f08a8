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
    // Named by the label above it, without the label's colon.
    QString name = labelText.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    m_edit->setAccessibleName(name);
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
