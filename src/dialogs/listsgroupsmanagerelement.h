#ifndef LISTSGROUPSMANAGERELEMENT_H
#define LISTSGROUPSMANAGERELEMENT_H

#include <QWidget>


class ListsGroupsManagerContainer;
class ListsGroupsManagerFrameElement;
class Menu;
class QHBoxLayout;
class QMouseEvent;
class QSpacerItem;
class ToolButton;

// One row of the list manager: indentation, branch button, body frame and
// drop indicator. Keeps the row's look (selected, hovered, drop target) and
// hands every gesture of its body to the container, which decides.
class ListsGroupsManagerElement : public QWidget
{
    Q_OBJECT
public:
    // Pixels of indentation per level.
    static const int indentStep = 19;

    ListsGroupsManagerElement(ListsGroupsManagerContainer *container, int level);

    virtual bool isList() const { return false; }
    virtual bool isGroup() const { return false; }
    virtual void updateStyle();
    virtual void showContextMenu(const QPoint &globalPos);
    // The row kind's own image name; the manager draws only the branch image.
    virtual QString iconName() const = 0;
    virtual QString branchIconName() const = 0;

    ListsGroupsManagerContainer *container() const { return m_container; }
    ListsGroupsManagerFrameElement *frameElement() const { return m_frameElement; }
    QString name() const;

    int level() const { return m_level; }
    void setLevel(int level);
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    bool isHovered() const { return m_hovered; }
    bool isDropTarget() const { return m_dropTarget; }
    void showDropIndicator(bool below);
    void hideDropIndicator();
    ToolButton *dropIndicator() const { return m_dropIndicator; }
    bool isBelowBottom(const QPoint &globalPos) const;

    void startRename();
    void finishRename();

    // The style sheet of a row state, as updateStyle sets it.
    enum Look { Normal, Highlighted, Selected, SelectedHovered };
    Look look() const;
    static QString styleSheetFor(Look look, bool blue);

signals:
    void clickedToSelect(ListsGroupsManagerElement *element);

public slots:
    void onContentFrameElementClicked();
    void onShowContextMenu(QMouseEvent *event);
    void onMouseEnters();
    void onMouseLeaves();
    void onDraggingInPossition(const QPoint &globalPos);
    void onDoDropIfPossible();

protected:
    // Whether `item` has a sibling before it (up) or after it among `siblings`.
    template<typename T>
    static bool canMove(const QList<T *> &siblings, const T *item, bool up)
    {
        return !siblings.isEmpty() && (up ? siblings.first() : siblings.last()) != item;
    }
    // Puts the body into the row; called once by the subclass.
    void setFrameElement(ListsGroupsManagerFrameElement *frame);
    ToolButton *branchButton() const { return m_branchButton; }
    // A menu entry (owned by the menu) running `run`, unless this row is gone.
    // Adds a command built for this menu; the menu owns it.
    QAction *addMenuEntry(Menu *menu, QAction *command);
    void popUp(Menu *menu, const QPoint &globalPos);

private:
    ListsGroupsManagerContainer *m_container;
    QHBoxLayout *m_rowLayout;
    QSpacerItem *m_indent = nullptr;
    ToolButton *m_branchButton;
    ListsGroupsManagerFrameElement *m_frameElement = nullptr;
    ToolButton *m_dropIndicator;
    int m_level;
    bool m_selected = false;
    bool m_hovered = false;
    bool m_dropTarget = false;
    bool m_blueSkin;
};

#endif
