#include "shell/linklabel.h"

LinkLabel::LinkLabel(const QString &text, const QObject *receiver, const char *member, QWidget *parent)
    : QLabel(parent)
{
    setText(QStringLiteral("<a style=\"text-decoration: none; color: #000000\" href=\"#thelink\">%1</a>").arg(text));
    connect(this, SIGNAL(linkActivated(QString)), receiver, member);
    connect(this, &QLabel::linkHovered, this, &LinkLabel::onLinkHovered);
}

LinkLabel::LinkLabel(const QString &text, const QString &url, QWidget *parent)
    : QLabel(parent)
{
    setText(QStringLiteral("<a style=\"text-decoration: none; color: #000000\" href=\"%1\">%2</a>").arg(url, text));
    setOpenExternalLinks(true);
}

void LinkLabel::onLinkHovered(const QString &link)
{
    if (link == QLatin1String("#thelink"))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}
