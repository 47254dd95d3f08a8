#include "shell/colorpalette.h"

#include "core/uisettings.h"

namespace {

const QColor &entry(int index)
{
    static const QColor colors[ColorPalette::Count] = {
        QColor(201, 214, 160), QColor(222, 230, 193), QColor(Qt::black), QColor(Qt::black),
        QColor(Qt::black), QColor(51, 51, 51), QColor(122, 134, 85),
        QColor(235, 242, 245), QColor(Qt::white), QColor(62, 94, 127), QColor(Qt::white),
        QColor(Qt::black), QColor(62, 94, 127), QColor(132, 162, 188),
        QColor(134, 236, 67), QColor(64, 185, 4),
        QColor(171, 183, 129), QColor(109, 119, 77), QColor(222, 230, 193), QColor(150, 164, 102),
        QColor(201, 214, 160), QColor(201, 214, 160), QColor(127, 138, 88), QColor(109, 119, 77),
        QColor(154, 187, 217), QColor(154, 187, 217), QColor(195, 215, 234), QColor(195, 215, 234),
        QColor(235, 242, 245), QColor(235, 242, 245), QColor(94, 121, 149), QColor(94, 121, 149),
    };
    static const QColor invalid;
    return index >= 0 && index < ColorPalette::Count ? colors[index] : invalid;
}

} // namespace

QColor ColorPalette::color(int index)
{
    return entry(index);
}

int ColorPalette::bluePartner(int greenIndex)
{
    if (greenIndex >= 0 && greenIndex <= 6)
        return greenIndex + 7;
    if (greenIndex >= 16 && greenIndex <= 23)
        return greenIndex + 8;
    return greenIndex;
}

QColor ColorPalette::forSkin(int greenIndex, bool blue)
{
    return entry(blue ? bluePartner(greenIndex) : greenIndex);
}

QColor ColorPalette::forSkin(int greenIndex)
{
    return forSkin(greenIndex, UISettings::instance()->isBlueSkin());
}

QSize ColorPalette::avatarSize()
{
    return QSize(44, 44);
}

QPixmap ColorPalette::fitAvatar(const QPixmap &avatar)
{
    const QSize box = avatarSize();
    if (avatar.width() <= box.width() && avatar.height() <= box.height())
        return avatar;
    return avatar.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
