#include "shell/tasklinkopener.h"

#include <QDebug>
#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

bool TaskLinkOpener::isWebAddress(const QUrl &url)
{
    static const QStringList web{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("ftp"),
                                 QStringLiteral("mailto")};
    return url.isValid() && web.contains(url.scheme().toLower());
}

bool TaskLinkOpener::allows(const QUrl &url)
{
    if (isWebAddress(url))
        return true;
    qWarning().noquote() << "Attachment link not opened, its kind of address is not a web one:" << url.scheme();
    return false;
}

bool TaskLinkOpener::open(const QUrl &url)
{
    return allows(url) && QDesktopServices::openUrl(url);
}
