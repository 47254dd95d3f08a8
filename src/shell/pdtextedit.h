#ifndef PDTEXTEDIT_H
#define PDTEXTEDIT_H

#include <QTextEdit>

// Multi-line text field with the icon context menu.
class PDTextEdit : public QTextEdit
{
    Q_OBJECT
public:
    explicit PDTextEdit(QWidget *parent = nullptr);
    explicit PDTextEdit(const QString &text, QWidget *parent = nullptr);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
};

#endif
