#include "core/stylesheetloader.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QKeyEvent>

StyleSheetLoader::StyleSheetLoader(const QString &path)
    : QObject(nullptr), m_path(path)
{
    QCoreApplication::instance()->installEventFilter(this);
    reload();
}

void StyleSheetLoader::reload()
{
    qDebug() << "StyleSheetLoader loading" << m_path;
    QFile file(m_path);
    // An unreadable file gives an empty sheet.
    QString sheet;
    if (file.open(QIODevice::ReadOnly))
        sheet = QString::fromUtf8(file.readAll());
    // The application's style-sheet property: the foundation needs no widget
    // header to set it.
    QCoreApplication::instance()->setProperty("styleSheet", sheet);
}

bool StyleSheetLoader::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride)
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F5) {
        // Shortcuts are matched before the key press is delivered: claiming
        // the override keeps a command bound to F5 from taking it, so the key
        // press comes here in every window.
        if (type == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        // Consumed at its first delivery, so no window sees the key press.
        reload();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
