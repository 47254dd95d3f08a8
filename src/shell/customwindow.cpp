#include "shell/customwindow.h"

#include "core/platform.h"
#include "shell/customwindoweventfilter.h"
#include "shell/toolbutton.h"
#include "core/uisettings.h"

#include <QAction>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QVBoxLayout>

CustomWindow::CustomWindow()
    : QWidget(nullptr)
{
    setWindowFlags(Qt::Widget | Qt::CustomizeWindowHint | Qt::FramelessWindowHint);
    UISettings *settings = UISettings::instance();
    addNativeFrameStyles(this);

    QCoreApplication::instance()->installEventFilter(new CustomWindowEventFilter(this));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto *frame = new QFrame;
    frame->setObjectName(QStringLiteral("customWindowFrame"));
    outer->addWidget(frame);
    m_frameLayout = new QVBoxLayout(frame);
    m_frameLayout->setContentsMargins(0, 0, 0, 0);
    m_frameLayout->setSpacing(0);

    const bool blue = settings->skin() == UISettings::blueSkin();
    auto *titleStrip = new QLabel;
    titleStrip->setObjectName(QStringLiteral("windowbar"));
    titleStrip->setPixmap(QPixmap(blue ? QStringLiteral(":/full/window-title-blue.png")
                                       : QStringLiteral(":/full/window-title.png")));
    titleStrip->setAlignment(Qt::AlignCenter);
    m_titleBarLayout = new QHBoxLayout(titleStrip);
    m_titleBarLayout->setContentsMargins(0, 0, 0, 0);
    m_titleBarLayout->setSpacing(5);

    m_closeButton = new ToolButton(blue ? QStringLiteral("window-close-blue") : QStringLiteral("window-close"));
    m_closeButton->setObjectName(QStringLiteral("windowclosebutton"));
    m_minimizeButton = new ToolButton(blue ? QStringLiteral("window-minimize-blue") : QStringLiteral("window-minimize"));
    m_minimizeButton->setObjectName(QStringLiteral("windowminimizebutton"));
    m_maximizeButton = new ToolButton(blue ? QStringLiteral("window-maximize-blue") : QStringLiteral("window-maximize"));
    m_maximizeButton->setObjectName(QStringLiteral("windowmaximizebutton"));
    m_helpButton = new ToolButton(blue ? QStringLiteral("window-help-blue") : QStringLiteral("window-help"));
    m_helpButton->setObjectName(QStringLiteral("windowhelpbutton"));
    m_helpButton->setToolTip(tr("Help"));
    m_prefsButton = new ToolButton(blue ? QStringLiteral("config-blue") : QStringLiteral("config"));
    m_prefsButton->setObjectName(QStringLiteral("windowPrefsButton"));
    m_prefsButton->setToolTip(tr("Preferences"));
    // Icons alone name nothing for assistive tools.
    m_closeButton->setAccessibleName(tr("Close"));
    m_minimizeButton->setAccessibleName(tr("Minimize"));
    m_maximizeButton->setAccessibleName(tr("Maximize"));
    m_helpButton->setAccessibleName(tr("Help"));
    m_prefsButton->setAccessibleName(tr("Preferences"));

    m_titleBarLayout->addWidget(m_helpButton);
    m_titleBarLayout->addWidget(m_prefsButton);
    m_titleBarLayout->addStretch();
    m_titleBarLayout->addWidget(m_minimizeButton);
    m_titleBarLayout->addWidget(m_maximizeButton);
    m_titleBarLayout->addWidget(m_closeButton);

    updateMaximizeButton();
    m_frameLayout->addWidget(titleStrip);

    connect(m_minimizeButton, &QToolButton::clicked, this, &CustomWindow::onMinimizeButtonClicked);
    connect(m_maximizeButton, &QToolButton::clicked, this, &CustomWindow::onMaximizeButtonClicked);
    connect(m_closeButton, &QToolButton::clicked, this, &QWidget::close);
}

void CustomWindow::setContentLayout(QLayout *layout)
{
    m_frameLayout->addLayout(layout, 0);
}

QWidget *CustomWindow::contentArea() const
{
    return m_frameLayout->parentWidget();
}

void CustomWindow::setPreferencesAction(QAction *action)
{
    connect(m_prefsButton, &QToolButton::clicked, action, &QAction::trigger);
}

void CustomWindow::setHelpAction(QAction *action)
{
    connect(m_helpButton, &QToolButton::clicked, action, &QAction::trigger);
}

void CustomWindow::addTitleBarWidget(QWidget *widget)
{
    m_titleBarLayout->insertWidget(m_titleBarLayout->indexOf(m_prefsButton) + 1, widget);
}

void CustomWindow::onMinimizeButtonClicked()
{
    showMinimized();
}

void CustomWindow::onMaximizeButtonClicked()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
    updateMaximizeButton();
}

void CustomWindow::updateMaximizeButton()
{
    QString normal;
    QString hover;
    if (UISettings::instance()->isBlueSkin()) {
        // The Blue skin has no restore image.
        normal = QStringLiteral(":/window-maximize-blue.png");
        hover = QStringLiteral(":/window-maximize-blue-active.png");
    } else if (isMaximized()) {
        normal = QStringLiteral(":/window-restore.png");
        hover = QStringLiteral(":/window-restore-active.png");
    } else {
        normal = QStringLiteral(":/window-maximize.png");
        hover = QStringLiteral(":/window-maximize-active.png");
    }
    const QPixmap pixmap(normal);
    QIcon icon(pixmap);
    icon.addPixmap(QPixmap(hover), QIcon::Active, QIcon::Off);
    m_maximizeButton->setIcon(icon);
    m_maximizeButton->setIconSize(pixmap.size());
    m_maximizeButton->setFixedSize(pixmap.size());
}

void CustomWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    onMaximizeButtonClicked();
    event->accept();
}

void CustomWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
}
