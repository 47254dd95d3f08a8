#include "contacts/userinfowidget.h"

#include <QGridLayout>

#include "contacts/user.h"
#include "contacts/userinfofieldwidget.h"

UserInfoWidget::UserInfoWidget(User *user, QWidget *parent)
    : QWidget(parent)
    , m_user(user)
{
    const QStringList captions{tr("name"),          tr("email"),          tr("address"),
                               tr("country/state"), tr("company"),        tr("office"),
                               tr("job title"),     tr("website"),        tr("business phone"),
                               tr("home phone"),    tr("mobile phone"),   tr("fax")};
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    for (const QString &caption : captions) {
        auto *field = new UserInfoFieldWidget(caption, this);
        layout->addWidget(field, m_fields.size() % 6, m_fields.size() / 6);
        m_fields.append(field);
    }
    connect(m_user, &User::fieldsChanged, this, &UserInfoWidget::onFieldsChanged);
    onFieldsChanged();
}

void UserInfoWidget::onFieldsChanged()
{
    QStringList place;
    for (const QString &key : {QStringLiteral("user-country"), QStringLiteral("user-state")}) {
        if (!m_user->field(key).isEmpty())
            place << m_user->field(key);
    }
    const QStringList values{m_user->field(QStringLiteral("user-real-name")),
                             m_user->field(QStringLiteral("user-email")),
                             m_user->field(QStringLiteral("user-address")),
                             place.join(QStringLiteral(", ")),
                             m_user->field(QStringLiteral("user-company")),
                             m_user->field(QStringLiteral("user-office")),
                             m_user->field(QStringLiteral("user-job-title")),
                             m_user->field(QStringLiteral("user-website")),
                             m_user->field(QStringLiteral("user-phone-business")),
                             m_user->field(QStringLiteral("user-phone-home")),
                             m_user->field(QStringLiteral("user-phone-mobile")),
                             m_user->field(QStringLiteral("user-phone-fax"))};
    for (int i = 0; i < m_fields.size(); ++i)
        m_fields.at(i)->setValue(values.at(i));
}
