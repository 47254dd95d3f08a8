#include "dialogs/listsgroupsmanagerframeelement.h"

#include "dialogs/listsgroupsmanagercontainer.h"
#include "dialogs/listsgroupsmanagerelement.h"
#include "shell/pdlineedit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

ListsGroupsManagerFrameElement::ListsGroupsManagerFrameElement(const QString &name,
                                                               ListsGroupsManagerElement *owner)
    : QFrame(owner)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("listsGroupsManagerFrameElement"));
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    m_iconLabel = new QLabel;
    m_layout->addWidget(m_iconLabel);
    m_layout->addSpacing(5);

    // Names come from other users' shared lists: never read them as markup.
    m_nameLabel = new QLabel(name);
    m_nameLabel->setObjectName(QStringLiteral("groupElementTextLabel"));
    m_nameLabel->setTextFormat(Qt::PlainText);
    m_layout->addWidget(m_nameLabel);

    m_nameEdit = new PDLineEdit(name);
    m_nameEdit->setObjectName(QStringLiteral("nameTextEdit"));
    m_nameEdit->setAccessibleName(tr("Name"));
    m_nameEdit->hide();
    m_layout->addWidget(m_nameEdit);
    m_layout->addStretch();

    connect(m_nameEdit, &PDLineEdit::enterPressed, this, &ListsGroupsManagerFrameElement::nameEditEnterPressed);
    connect(m_nameEdit, &PDLineEdit::lostFocus, this, &ListsGroupsManagerFrameElement::nameEditLostFocus);

    connect(this, &ListsGroupsManagerFrameElement::clicked, owner,
            &ListsGroupsManagerElement::onContentFrameElementClicked);
    connect(this, &ListsGroupsManagerFrameElement::showContextMenu, owner,
            &ListsGroupsManagerElement::onShowContextMenu);
    connect(this, &ListsGroupsManagerFrameElement::mouseEnter, owner, &ListsGroupsManagerElement::onMouseEnters);
    connect(this, &ListsGroupsManagerFrameElement::mouseLeaves, owner, &ListsGroupsManagerElement::onMouseLeaves);
}

QString ListsGroupsManagerFrameElement::name() const
{
    return m_nameLabel->text();
}

void ListsGroupsManagerFrameElement::setIcon(const QString &imagePath)
{
    m_iconLabel->setPixmap(QPixmap(imagePath));
}

void ListsGroupsManagerFrameElement::setName(const QString &name)
{
    m_nameLabel->setText(name);
}

bool ListsGroupsManagerFrameElement::isRenaming() const
{
    return !m_nameEdit->isHidden();
}

void ListsGroupsManagerFrameElement::startRename()
{
    m_nameEdit->setText(m_nameLabel->text());
    m_nameEdit->show();
    m_nameLabel->hide();
    m_nameEdit->setFocus();
}

QString ListsGroupsManagerFrameElement::typedName() const
{
    return isRenaming() ? m_nameEdit->text() : QString();
}

// Hidden first: the focus it then loses finds no rename to finish.
void ListsGroupsManagerFrameElement::dropRename()
{
    m_nameEdit->hide();
    m_nameLabel->show();
}

void ListsGroupsManagerFrameElement::resumeRename(const QString &typed)
{
    startRename();
    m_nameEdit->setText(typed);
}

void ListsGroupsManagerFrameElement::finishRename()
{
    if (!isRenaming())
        return;
    const QString typed = m_nameEdit->text();
    const QString trimmed = typed.trimmed();
    const bool changed = !trimmed.isEmpty() && trimmed != m_nameLabel->text();
    if (changed)
        m_nameLabel->setText(typed);
    m_nameEdit->hide();
    m_nameLabel->show();
    if (changed)
        emit nameChanged(m_nameLabel->text());
}

void ListsGroupsManagerFrameElement::nameEditEnterPressed()
{
    finishRename();
}

void ListsGroupsManagerFrameElement::nameEditLostFocus()
{
    // The focus leaving with the whole window (another window, a closing
    // menu) is no end of the rename.
    if (isRenaming() && window()->isActiveWindow())
        finishRename();
}

bool ListsGroupsManagerFrameElement::containsGlobalPos(const QPoint &globalPos) const
{
    const QRect inner = contentsRect();
    const QPoint topLeft = mapToGlobal(inner.topLeft());
    const QPoint bottomRight = mapToGlobal(inner.bottomRight());
    return globalPos.x() > topLeft.x() && globalPos.x() < bottomRight.x() && globalPos.y() > topLeft.y()
        && globalPos.y() < bottomRight.y();
}

void ListsGroupsManagerFrameElement::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton) {
        emit clicked();
        if (!m_dragging)
            m_pressPosition = event->globalPosition().toPoint();
    } else if (event->button() == Qt::RightButton) {
        emit clicked();
        emit showContextMenu(event);
    }
}

void ListsGroupsManagerFrameElement::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint global = event->globalPosition().toPoint();
    if (!m_dragging) {
        if ((global - m_pressPosition).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragging = true;
            setCursor(Qt::ClosedHandCursor);
        }
        return;
    }
    const QWidget *content = m_owner->container()->contentFrame();
    const QPoint local = content->mapFromGlobal(global);
    const QRect area = content->rect();
    const bool inside = local.x() > area.left() && local.x() < area.right() && local.y() > area.top()
        && local.y() < area.bottom();
    setCursor(inside ? Qt::ClosedHandCursor : Qt::ForbiddenCursor);
    emit draggingInPossition(global);
}

void ListsGroupsManagerFrameElement::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    setCursor(Qt::ArrowCursor);
    emit doDropIfPossible();
}

void ListsGroupsManagerFrameElement::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    emit doubleClick();
}

void ListsGroupsManagerFrameElement::enterEvent(QEnterEvent *event)
{
    event->accept();
    emit mouseEnter();
}

void ListsGroupsManagerFrameElement::leaveEvent(QEvent *event)
{
    event->accept();
    emit mouseLeaves();
}
