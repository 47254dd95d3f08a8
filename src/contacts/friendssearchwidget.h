#ifndef FRIENDSSEARCHWIDGET_H
#define FRIENDSSEARCHWIDGET_H

#include <QFrame>

class PDLineEdit;

// The search bar over the contact list: reports the typed filter, trimmed,
// whenever it changes; Escape clears it, Ctrl+F puts the cursor in it.
class FriendsSearchWidget : public QFrame
{
    Q_OBJECT
public:
    explicit FriendsSearchWidget(QWidget *parent = nullptr);

    QString filter() const { return m_filter; }
    PDLineEdit *lineEdit() const { return m_lineEdit; }

signals:
    void filterChanged(QString filter);

public slots:
    void onTextChanged();

private:
    PDLineEdit *m_lineEdit = nullptr;
    QString m_filter;
};

#endif
