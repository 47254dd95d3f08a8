#ifndef NOTEPADTABWIDGET_H
#define NOTEPADTABWIDGET_H

#include <QPoint>
#include <QTabWidget>

class NotepadUI;

// The notes' tabs: a double click renames a note, dragging a tab moves its
// note, and the context menu holds the note commands.
class NotepadTabWidget : public QTabWidget
{
    Q_OBJECT
public:
    explicit NotepadTabWidget(NotepadUI *notepad, QWidget *parent = nullptr);

    void editTabName(int index);

signals:
    void tabTextChangedByUser(int index, const QString &newText);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private slots:
    void tabIndexChanged(int index);

private:
    int tabAtGlobal(const QPoint &globalPos) const;

    NotepadUI *m_notepad;
    QPoint m_pressPosition;
    int m_draggedTab = 0;
};

#endif
