#ifndef USERINFOWIDGET_H
#define USERINFOWIDGET_H

#include <QList>
#include <QWidget>

class User;
class UserInfoFieldWidget;

// The contact details a contact row unfolds: twelve captioned fields of the
// user's contact information, following its changes.
class UserInfoWidget : public QWidget
{
    Q_OBJECT
public:
    explicit UserInfoWidget(User *user, QWidget *parent = nullptr);

    User *user() const { return m_user; }
    // name, email, address, country/state, company, office, job title,
    // website, business, home and mobile phone, fax.
    QList<UserInfoFieldWidget *> fieldWidgets() const { return m_fields; }

public slots:
    void onFieldsChanged();

private:
    User *const m_user;
    QList<UserInfoFieldWidget *> m_fields;
};

#endif
