#ifndef PLUMDECKSTYLE_H
#define PLUMDECKSTYLE_H

#include <QProxyStyle>

// The application style: the built-in "Windows" style, except that pressed
// buttons do not shift their label or icon.
class PlumdeckStyle : public QProxyStyle
{
    Q_OBJECT
public:
    PlumdeckStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
};

#endif
