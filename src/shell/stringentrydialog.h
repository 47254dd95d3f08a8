#ifndef STRINGENTRYDIALOG_H
#define STRINGENTRYDIALOG_H

#include "shell/customdialog.h"

class QLineEdit;

// Asks for one line of text in the program's own frame (rename prompts, the
// custom presence message). Fixed size: it moves but does not resize.
class StringEntryDialog : public CustomDialog
{
    Q_OBJECT
public:
    StringEntryDialog(const QString &title, const QString &labelText, const QString &initialText,
                      QWidget *parent = nullptr);

    // The trimmed entry after Ok; otherwise the initial text unchanged.
    QString text() const;
    void setMaxLength(int length);

    QLineEdit *lineEdit() const { return m_edit; }

private:
    QString m_initialText;
    QLineEdit *m_edit = nullptr;
};

#endif
