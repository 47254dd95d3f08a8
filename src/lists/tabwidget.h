#ifndef TABWIDGET_H
#define TABWIDGET_H

#include <QPoint>
#include <QPointer>
#include <QTabWidget>

#include "model/listmodel.h"

class ListsUI;

// The central widget of the lists page: one tab per list, each page the
// list's task tree. Double-clicking a tab renames the list, dragging a tab
// over another reorders the lists, and a right click opens the tab menu.
class TabWidget : public QTabWidget
{
    Q_OBJECT
public:
    explicit TabWidget(ListsUI *listsUI, QWidget *parent = nullptr);

    void renameTab(int index, const QString &text);
    void editTabName(int index);
    void hideSearchBars();
    void showSearchBars();
    // While on, added tabs are measured once, when it goes off, instead of
    // every tab again for each one added.
    void setAddingMany(bool adding);

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void tabTextChanged(int index, const QString &text);

public slots:
    void tabIndexChanged(int index);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // The tab of the list pressed last when the pointer is still where it
    // was pressed, else the tab under `pos` (bar coordinates). Leaving a list
    // may start its run, whose icon widens its tab: the tabs move under the
    // pointer between a press and the menu or double click that follows.
    int pressedTabAt(const QPoint &pos) const;

    ListsUI *m_listsUI;
    QPoint m_pressPos;
    int m_draggedIndex = 0;
    QPointer<ListModel> m_pressedList;
    // The list of the current tab, autosynced when the user leaves it.
    QPointer<ListModel> m_lastList;
};

#endif
