#include "shell/plumdeckstyle.h"

#include <QStyleFactory>

namespace {

QStyle *createWindowsStyle()
{
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Windows")))
        return style;
    return QStyleFactory::create(QStringLiteral("Fusion"));
}

} // namespace

PlumdeckStyle::PlumdeckStyle()
    : QProxyStyle(createWindowsStyle())
{
}

int PlumdeckStyle::pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    if (metric == PM_ButtonShiftHorizontal || metric == PM_ButtonShiftVertical)
        return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
