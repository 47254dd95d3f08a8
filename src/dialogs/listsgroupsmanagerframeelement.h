#ifndef LISTSGROUPSMANAGERFRAMEELEMENT_H
#define LISTSGROUPSMANAGERFRAMEELEMENT_H

#include <QFrame>
#include <QPoint>

class ListsGroupsManagerElement;
class PDLineEdit;
class QHBoxLayout;
class QLabel;

// The visible body of a list-manager row: icon, name and an inline name
// edit. Turns raw mouse input into the row's gestures (click, menu, hover,
// double click, drag and drop) and runs inline renaming.
class ListsGroupsManagerFrameElement : public QFrame
{
    Q_OBJECT
public:
    ListsGroupsManagerFrameElement(const QString &name, ListsGroupsManagerElement *owner);

    QString name() const;
    void startRename();
    void finishRename();
    bool isRenaming() const;
    // What is typed in the name field while renaming.
    QString typedName() const;
    // Ends renaming without taking the typing (the row is about to go), or
    // renames again with typing kept from a row that went.
    void dropRename();
    void resumeRename(const QString &typed);
    bool isDragging() const { return m_dragging; }
    // Strictly inside the contents rectangle (all four edges excluded).
    bool containsGlobalPos(const QPoint &globalPos) const;

signals:
    void clicked();
    void showContextMenu(QMouseEvent *event);
    void nameChanged(const QString &name);
    void mouseEnter();
    void mouseLeaves();
    void draggingInPossition(const QPoint &globalPos);
    void doDropIfPossible();
    void doubleClick();

protected slots:
    void nameEditEnterPressed();
    void nameEditLostFocus();

protected:
    void setIcon(const QString &imagePath);
    void setName(const QString &name);
    QHBoxLayout *frameLayout() const { return m_layout; }
    ListsGroupsManagerElement *owner() const { return m_owner; }

    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    ListsGroupsManagerElement *m_owner;
    QHBoxLayout *m_layout;
    QLabel *m_iconLabel;
    QLabel *m_nameLabel;
    PDLineEdit *m_nameEdit;
    bool m_dragging = false;
    QPoint m_pressPosition;
};

#endif
