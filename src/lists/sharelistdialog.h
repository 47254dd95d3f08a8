#ifndef SHARELISTDIALOG_H
#define SHARELISTDIALOG_H

#include "shell/customdialog.h"

class QRadioButton;

// Asks with which permissions a list is shared with one friend: read only,
// read and write, or read, write and delete (the default).
class ShareListDialog : public CustomDialog
{
    Q_OBJECT
public:
    ShareListDialog(const QString &friendName, QWidget *parent = nullptr);

    void setupTitleAndButtons();
    // "rwd", "rw" or "r".
    QString permissions() const;

    QString friendName() const { return m_friendName; }

private:
    QString m_friendName;
    QRadioButton *m_radioButtonRead;
    QRadioButton *m_radioButtonWrite;
    QRadioButton *m_radioButtonDelete;
};

#endif
