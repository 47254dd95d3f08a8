#include "shell/toolbutton.h"

#include <QAction>
#include <QPixmap>
#include <QResource>

ToolButton::ToolButton(const QString &imageName, QWidget *parent)
    : QToolButton(parent)
{
    setImage(imageName);
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
}

QIcon ToolButton::iconForImage(const QString &imageName, QSize *size)
{
    const QString normal = QStringLiteral(":/") + imageName + QStringLiteral(".png");
    const QString active = QStringLiteral(":/") + imageName + QStringLiteral("-active.png");

    const QPixmap pixmap(normal);
    if (size)
        *size = pixmap.size();
    if (pixmap.isNull())
        return QIcon();

    QIcon icon(pixmap);
    // A disabled button keeps its normal look instead of the style's grey.
    icon.addPixmap(pixmap, QIcon::Disabled, QIcon::On);
    icon.addPixmap(pixmap, QIcon::Disabled, QIcon::Off);
    if (QResource(active).isValid())
        icon.addPixmap(QPixmap(active), QIcon::Active, QIcon::Off);
    return icon;
}

void ToolButton::setImage(const QString &imageName)
{
    QSize size;
    setIcon(iconForImage(imageName, &size));
    setIconSize(size.isValid() ? size : QSize(0, 0));
}

void ToolButton::setDefaultActionKeepIcon(QAction *action)
{
    if (!action)
        return;
    action->setIcon(icon());
    if (QAction *previous = defaultAction())
        removeAction(previous);
    setDefaultAction(action);
}
