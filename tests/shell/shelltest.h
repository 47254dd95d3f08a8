#ifndef SHELLTEST_H
#define SHELLTEST_H

// Helpers shared by the shell tests: driving modal dialogs and choosing the
// skin the way the program stores it.

#include "dialogdriver.h"

#include <QCoreApplication>
#include <QImage>
#include <QPixmap>
#include <QSettings>

namespace ShellTest {

inline void useProgramSettings()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowgate"));
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
}

inline void setBlueSkin(bool blue)
{
    QSettings().setValue(QStringLiteral("ui/skin"), blue ? 1 : 0);
}

using DialogDriver::whenModal;

inline bool sameImage(const QPixmap &a, const QPixmap &b)
{
    return !a.isNull() && a.toImage().convertToFormat(QImage::Format_ARGB32)
        == b.toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace ShellTest

#endif
