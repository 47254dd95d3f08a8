#include "dialogs/listsgroupsmanagerelement.h"

#include "dialogs/listsgroupsmanagercontainer.h"
#include "dialogs/listsgroupsmanagerframeelement.h"
#include "core/uisettings.h"
#include "shell/colorpalette.h"
#include "shell/menu.h"
#include "shell/toolbutton.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QSpacerItem>
#include <QVBoxLayout>

ListsGroupsManagerElement::ListsGroupsManagerElement(ListsGroupsManagerContainer *container, int level)
    : QWidget(container)
    , m_container(container)
    , m_level(level)
    , m_blueSkin(UISettings::instance()->isBlueSkin())
{
    setObjectName(QStringLiteral("groupElement"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *outer = new QFrame;
    outer->setObjectName(QStringLiteral("groupManagerElementFrame"));
    layout->addWidget(outer);

    m_rowLayout = new QHBoxLayout(outer);
    m_rowLayout->setContentsMargins(0, 0, 0, 0);
    m_rowLayout->setSpacing(0);
    m_branchButton = new ToolButton(QStringLiteral("pointer_empty"));
    m_branchButton->setObjectName(QStringLiteral("groupElementBranchIcon"));
    m_rowLayout->addWidget(m_branchButton);
    m_dropIndicator = new ToolButton(QStringLiteral("move"));
    m_dropIndicator->setObjectName(QStringLiteral("dropIndicator"));
    m_dropIndicator->setAccessibleName(tr("Drop here"));
    m_dropIndicator->hide();
    m_rowLayout->addWidget(m_dropIndicator);
    setLevel(level);
}

void ListsGroupsManagerElement::setFrameElement(ListsGroupsManagerFrameElement *frame)
{
    m_frameElement = frame;
    m_rowLayout->insertWidget(m_rowLayout->indexOf(m_dropIndicator), frame);
    connect(frame, &ListsGroupsManagerFrameElement::draggingInPossition, this,
            &ListsGroupsManagerElement::onDraggingInPossition);
    connect(frame, &ListsGroupsManagerFrameElement::doDropIfPossible, this,
            &ListsGroupsManagerElement::onDoDropIfPossible);
    connect(this, &ListsGroupsManagerElement::clickedToSelect, m_container,
            &ListsGroupsManagerContainer::onElementClickedToSelect);
}

QString ListsGroupsManagerElement::name() const
{
    return m_frameElement->name();
}

void ListsGroupsManagerElement::setLevel(int level)
{
    m_level = level;
    if (m_indent) {
        m_rowLayout->removeItem(m_indent);
        delete m_indent;
    }
    m_indent = new QSpacerItem(indentStep * level, 0, QSizePolicy::Minimum, QSizePolicy::Minimum);
    m_rowLayout->insertItem(0, m_indent);
    m_rowLayout->invalidate();
}

void ListsGroupsManagerElement::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    updateStyle();
}

void ListsGroupsManagerElement::showDropIndicator(bool below)
{
    if (m_dropTarget)
        return;
    m_dropTarget = true;
    updateStyle();
    m_dropIndicator->setImage(below ? QStringLiteral("dragdrop_down") : QStringLiteral("dragdrop_up"));
    m_dropIndicator->show();
}

void ListsGroupsManagerElement::hideDropIndicator()
{
    if (!m_dropTarget)
        return;
    m_dropTarget = false;
    updateStyle();
    m_dropIndicator->hide();
}

bool ListsGroupsManagerElement::isBelowBottom(const QPoint &globalPos) const
{
    return globalPos.y() > mapToGlobal(rect().bottomLeft()).y();
}

void ListsGroupsManagerElement::startRename()
{
    m_frameElement->startRename();
}

void ListsGroupsManagerElement::finishRename()
{
    m_frameElement->finishRename();
}

ListsGroupsManagerElement::Look ListsGroupsManagerElement::look() const
{
    if (m_hovered && m_selected)
        return SelectedHovered;
    if (m_dropTarget || m_hovered)
        return Highlighted;
    if (m_selected)
        return Selected;
    return Normal;
}

QString ListsGroupsManagerElement::styleSheetFor(Look look, bool blue)
{
    int background = ColorPalette::GroupPlainBackground;
    int border = ColorPalette::GroupPlainBorder;
    switch (look) {
    case SelectedHovered:
        background = ColorPalette::GroupSelectedHoveredBackground;
        border = ColorPalette::GroupSelectedHoveredBorder;
        break;
    case Highlighted:
        background = ColorPalette::GroupHoveredBackground;
        border = ColorPalette::GroupHoveredBorder;
        break;
    case Selected:
        background = ColorPalette::GroupSelectedBackground;
        border = ColorPalette::GroupSelectedBorder;
        break;
    case Normal:
        break;
    }
    const QColor b = ColorPalette::forSkin(background, blue);
    const QColor e = ColorPalette::forSkin(border, blue);
    QString sheet = QStringLiteral("#listsGroupsManagerFrameElement{ background-color: rgb( %1, %2, %3 );"
                                   "border: 1px solid rgb( %4, %5, %6 );border-radius:4px;}")
                        .arg(b.red())
                        .arg(b.green())
                        .arg(b.blue())
                        .arg(e.red())
                        .arg(e.green())
                        .arg(e.blue());
    if (look == SelectedHovered || look == Selected)
        sheet += QStringLiteral("QLabel{color:white}");
    return sheet;
}

void ListsGroupsManagerElement::updateStyle()
{
    setStyleSheet(styleSheetFor(look(), m_blueSkin));
}

void ListsGroupsManagerElement::showContextMenu(const QPoint &)
{
}

QAction *ListsGroupsManagerElement::addMenuEntry(Menu *menu, QAction *command)
{
    // Built anew for each menu, so owned by it.
    command->setParent(menu);
    menu->addAction(command);
    return command;
}

void ListsGroupsManagerElement::popUp(Menu *menu, const QPoint &globalPos)
{
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

void ListsGroupsManagerElement::onContentFrameElementClicked()
{
    emit clickedToSelect(this);
}

void ListsGroupsManagerElement::onShowContextMenu(QMouseEvent *event)
{
    showContextMenu(event->globalPosition().toPoint());
}

void ListsGroupsManagerElement::onMouseEnters()
{
    m_hovered = true;
    updateStyle();
}

void ListsGroupsManagerElement::onMouseLeaves()
{
    m_hovered = false;
    updateStyle();
}

void ListsGroupsManagerElement::onDraggingInPossition(const QPoint &globalPos)
{
    m_container->onDragElement(globalPos, this);
}

void ListsGroupsManagerElement::onDoDropIfPossible()
{
    m_container->onDropElement(this);
}
