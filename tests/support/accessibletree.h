#ifndef ACCESSIBLETREE_H
#define ACCESSIBLETREE_H

// The accessibility tree walked as assistive tools walk it.

#include <QAccessible>
#include <QStringList>

namespace AccessibleTree {

// Depth first from `iface`: the first interface of `object`, or null. On the
// way to it, each child must know its parent and the parent its place, which
// the tools ask for too; one that does not is told in `broken`.
inline QAccessibleInterface *reached(QAccessibleInterface *iface, const QObject *object, QStringList *broken,
                                     int depth = 0)
{
    if (!iface || depth > 40)
        return nullptr;
    if (iface->object() == object)
        return iface;
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface *child = iface->child(i);
        if (QAccessibleInterface *found = reached(child, object, broken, depth + 1)) {
            if (child->parent() != iface || iface->indexOfChild(child) != i)
                *broken << QStringLiteral("child %1 of a %2 does not know its place").arg(i).arg(int(iface->role()));
            return found;
        }
    }
    return nullptr;
}

} // namespace AccessibleTree

#endif
