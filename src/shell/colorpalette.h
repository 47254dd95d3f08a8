#ifndef COLORPALETTE_H
#define COLORPALETTE_H

#include <QColor>
#include <QPixmap>
#include <QSize>

// The 32 colours painted in code rather than through the style sheets,
// addressed by index ("palette colour N"). Indices 0-6 and 16-23 are the Green
// skin's; their Blue partners are n + 7 and n + 8.
class ColorPalette
{
public:
    enum Index {
        TopRowBackground = 0,
        NestedRowBackground = 1,
        TopRowText = 2,
        FocusedTitleText = 3,
        TitleEditorFrame = 4,
        NestedRowText = 5,
        CompletedTitleText = 6,
        UnusedBrightGreen = 14,
        UnusedDarkGreen = 15,
        GroupSelectedBackground = 16,
        GroupSelectedBorder = 17,
        GroupHoveredBackground = 18,
        GroupHoveredBorder = 19,
        GroupPlainBackground = 20,
        GroupPlainBorder = 21,
        GroupSelectedHoveredBackground = 22,
        GroupSelectedHoveredBorder = 23
    };
    static constexpr int Count = 32;

    // Palette colour `index`; an index outside 0-31 gives an invalid colour.
    static QColor color(int index);
    // The Blue partner of a Green index (0-6 and 16-23); other indices are
    // their own partner.
    static int bluePartner(int greenIndex);
    // The colour of a Green index in the given skin, or in the running skin.
    static QColor forSkin(int greenIndex, bool blue);
    static QColor forSkin(int greenIndex);

    // Friend-row avatars.
    static QSize avatarSize();
    // Scaled down smoothly to fit the avatar size, aspect ratio kept;
    // smaller images unchanged.
    static QPixmap fitAvatar(const QPixmap &avatar);

private:
    ColorPalette() = delete;
};

#endif
