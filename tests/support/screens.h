#ifndef SCREENS_H
#define SCREENS_H

// The screenshot program's registry: each area adds its windows and dialogs
// in a tests/<area>/screens_<area>.cpp of its own, which tst_screenshots
// links, and the program renders every screen in both skins.

#include <QImage>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace Screens {

// Shows a widget, lets the event loop lay it out and returns its picture,
// saved as "<name>-<skin>.png" when a screenshot folder is given.
using Shooter = std::function<QImage(QWidget *widget, const QString &name)>;

struct Screen
{
    QString name;
    std::function<void(const Shooter &shoot, bool blue)> render;
};

std::vector<Screen> &all();

inline bool add(const char *name, std::function<void(const Shooter &, bool)> render)
{
    all().push_back({QString::fromLatin1(name), std::move(render)});
    return true;
}

} // namespace Screens

// PLUMDECK_SCREEN(name) { ... shoot(widget, "file-name"); ... } with `shoot`
// and `blue` (the skin) in scope; QVERIFY and QCOMPARE may be used.
#define PLUMDECK_SCREEN(name)                                                          \
    static void screen_##name(const Screens::Shooter &shoot, bool blue);               \
    static const bool screenAdded_##name = Screens::add(#name, screen_##name);         \
    static void screen_##name([[maybe_unused]] const Screens::Shooter &shoot,          \
                              [[maybe_unused]] bool blue)

#endif
