#ifndef DELETECHILDRENDIALOG_H
#define DELETECHILDRENDIALOG_H

#include "shell/customdialog.h"

class QCheckBox;

// Asks whether the subtasks of a removed task go with it: Yes accepts, No
// (and Escape or close) rejects. With "Remember my decision" ticked the
// answer is kept in the settings, so the question is not asked again.
class DeleteChildrenDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit DeleteChildrenDialog(QWidget *parent = nullptr);

    QCheckBox *rememberBox() const { return m_rememberBox; }

public slots:
    void accept() override;
    void reject() override;

private:
    QCheckBox *m_rememberBox;
};

#endif
