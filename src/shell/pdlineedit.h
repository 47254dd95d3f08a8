#ifndef PDLINEEDIT_H
#define PDLINEEDIT_H

#include <QLineEdit>

// One-line text field that reports Return/Enter (and keeps it from the
// dialog's default button), reports losing the focus, and shows the icon
// context menu.
class PDLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit PDLineEdit(QWidget *parent = nullptr);
    explicit PDLineEdit(const QString &text, QWidget *parent = nullptr);

signals:
    void enterPressed();
    void lostFocus();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
};

#endif
