#ifndef NOTEPADTEXTEDIT_H
#define NOTEPADTEXTEDIT_H

#include <QTextEdit>

#include <functional>

class QMenu;
class UserLists;

// The plain-text editor of one note. Its context menu adds "Move To List",
// which turns the selected text into a task of a list.
class NotepadTextEdit : public QTextEdit
{
    Q_OBJECT
public:
    explicit NotepadTextEdit(std::function<UserLists *()> userLists, QWidget *parent = nullptr);

    static void setMenuIcons(QMenu *menu);

    // The menu the editor shows at `globalPos`, built afresh (the caller runs
    // and deletes it).
    QMenu *createMenu();

signals:
    void focusOut(NotepadTextEdit *textEditor);

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    std::function<UserLists *()> m_userLists;
};

#endif
