#ifndef PDTEXTEDIT_H
#define PDTEXTEDIT_H

#include <QTextEdit>

// Multi-line text field with the icon context menu. A field that takes no
// typing looks it: the skins style it by its read-only property.
class PDTextEdit : public QTextEdit
{
    Q_OBJECT
public:
    explicit PDTextEdit(QWidget *parent = nullptr);
    explicit PDTextEdit(const QString &text, QWidget *parent = nullptr);

    // QTextEdit's, then the field styled again: the style sheets match the
    // property only when a widget is polished.
    void setReadOnly(bool readOnly);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
};

#endif
