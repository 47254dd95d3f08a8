#ifndef USERINFOFIELDWIDGET_H
#define USERINFOFIELDWIDGET_H

#include <QWidget>

class QLabel;

// One captioned value of the contact details: the caption and a rule on the
// first line, the value below.
class UserInfoFieldWidget : public QWidget
{
    Q_OBJECT
public:
    explicit UserInfoFieldWidget(const QString &caption, QWidget *parent = nullptr);

    void setValue(const QString &value);
    QString value() const;

private:
    QLabel *m_value;
};

#endif
