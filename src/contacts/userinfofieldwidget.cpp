#include "contacts/userinfofieldwidget.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>

UserInfoFieldWidget::UserInfoFieldWidget(const QString &caption, QWidget *parent)
    : QWidget(parent)
    , m_value(new QLabel(this))
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    auto *captionLabel = new QLabel(caption, this);
    captionLabel->setObjectName(QStringLiteral("userinfofieldnamelabel"));
    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setObjectName(QStringLiteral("userinfofieldline"));
    m_value->setObjectName(QStringLiteral("userinfofieldvaluelabel"));
    // Values come from other users: never read as markup.
    m_value->setTextFormat(Qt::PlainText);
    layout->addWidget(captionLabel, 0, 0);
    layout->addWidget(line, 0, 1);
    layout->addWidget(m_value, 1, 0, 1, 2);
    layout->setColumnStretch(1, 1);
}

void UserInfoFieldWidget::setValue(const QString &value)
{
    m_value->setText(value);
}

QString UserInfoFieldWidget::value() const
{
    return m_value->text();
}
