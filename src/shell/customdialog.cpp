#include "shell/customdialog.h"

#include "shell/customwindoweventfilter.h"
#include "shell/titlebar.h"
#include "shell/toolbutton.h"
#include "core/uisettings.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QStackedLayout>
#include <QVBoxLayout>

CustomDialog::CustomDialog(const QString &title, bool okButton, bool cancelButton, bool movable,
                           QWidget *parent)
    : QDialog(parent)
{
    buildFrame(title, okButton, cancelButton, movable);
}

CustomDialog::CustomDialog(const QString &title, bool okButton, bool cancelButton, QWidget *parent)
    : QDialog(parent)
{
    buildFrame(title, okButton, cancelButton, true);
}

CustomDialog::CustomDialog(const QString &title, QWidget *parent)
    : QDialog(parent)
{
    buildFrame(title, false, false, true);
}

void CustomDialog::buildFrame(const QString &title, bool okButton, bool cancelButton, bool movable)
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::FramelessWindowHint);

    if (movable) {
        m_eventFilter = new CustomWindowEventFilter(this);
        QCoreApplication::instance()->installEventFilter(m_eventFilter);
    }

    auto *stack = new QStackedLayout(this);
    stack->setStackingMode(QStackedLayout::StackAll);
    m_container = new QFrame;
    m_container->setObjectName(QStringLiteral("container"));
    stack->addWidget(m_container);
    stack->setCurrentWidget(m_container);

    m_containerLayout = new QVBoxLayout(m_container);
    m_containerLayout->setContentsMargins(0, 0, 0, 0);
    m_containerLayout->setSpacing(0);

    auto *titleBar = new TitleBar;
    titleBar->setObjectName(QStringLiteral("windowtitlebar"));
    titleBar->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Fixed);
    m_titleBarLayout = new QHBoxLayout(titleBar);
    m_titleBarLayout->setContentsMargins(0, 0, 0, 0);
    m_titleBarLayout->setSpacing(0);

    m_titleIconButton = new ToolButton(QStringLiteral("menu-spacer"));
    m_titleIconButton->setObjectName(QStringLiteral("dialogTittleBarIcon"));
    m_titleIconButton->setAccessibleName(tr("Window icon"));
    m_titleBarLayout->addWidget(m_titleIconButton);
    m_titleIconButton->hide();

    m_titleLabel = new QLabel;
    m_titleLabel->setObjectName(QStringLiteral("windowtitlelabel"));
    m_titleLabel->setTextFormat(Qt::PlainText);
    m_titleBarLayout->addWidget(m_titleLabel);
    m_titleBarLayout->addStretch();

    const bool blue = UISettings::instance()->isBlueSkin();
    m_closeButton = new ToolButton(blue ? QStringLiteral("blue_miniclose") : QStringLiteral("close-dialog"));
    m_closeButton->setObjectName(QStringLiteral("windowclosebutton"));
    // Icons alone name nothing for assistive tools.
    m_closeButton->setAccessibleName(tr("Close"));
    connect(m_closeButton, &QToolButton::clicked, this, &QDialog::reject);
    m_titleBarLayout->addWidget(m_closeButton);

    m_containerLayout->addWidget(titleBar);
    m_containerLayout->setAlignment(titleBar, Qt::AlignTop);
    connect(titleBar, &TitleBar::doubleClicked, this, &CustomDialog::titleBarDoubleClicked);

    auto *buttonsContainer = new QWidget(this);
    buttonsContainer->setObjectName(QStringLiteral("bottombuttonscontainer"));
    buttonsContainer->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
    m_buttonsLayout = new QHBoxLayout(buttonsContainer);
    m_buttonsLayout->setContentsMargins(0, 0, 0, 0);
    m_buttonsLayout->setSpacing(8);
    m_buttonsLayout->addStretch();
    m_containerLayout->addWidget(buttonsContainer);
    m_containerLayout->setAlignment(buttonsContainer, Qt::AlignBottom);

    setTitle(title);

    if (okButton)
        addOkButton(tr("Ok"));
    if (cancelButton)
        addCancelButton(tr("Cancel"));

    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void CustomDialog::setTitle(const QString &title)
{
    setWindowTitle(title);
    m_titleLabel->setText(title);
}

void CustomDialog::setTitleIcon(const QString &imagePath)
{
    const QPixmap pixmap(imagePath);
    m_titleIconButton->setIcon(QIcon(pixmap));
    if (!pixmap.isNull())
        m_titleIconButton->setIconSize(pixmap.size());
    m_titleIconButton->show();
}

void CustomDialog::setContentLayout(QLayout *content)
{
    auto *wrapper = new QVBoxLayout;
    wrapper->setContentsMargins(10, 10, 10, 10);
    wrapper->setSpacing(10);
    wrapper->addLayout(content);
    m_buttonsLayout->setContentsMargins(10, 0, 10, 10);
    m_containerLayout->insertLayout(1, wrapper);
}

void CustomDialog::setBareContentLayout(QLayout *content)
{
    m_containerLayout->insertLayout(1, content);
}

void CustomDialog::addOkButton(const QString &text)
{
    m_okButton = new QPushButton(text);
    m_okButton->setObjectName(QStringLiteral("okbutton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    m_buttonsLayout->addWidget(m_okButton);
}

void CustomDialog::addCancelButton(const QString &text)
{
    m_cancelButton = new QPushButton(text);
    m_cancelButton->setObjectName(QStringLiteral("cancelbutton"));
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    m_buttonsLayout->addWidget(m_cancelButton);
}

void CustomDialog::setOkButtonText(const QString &text)
{
    if (m_okButton)
        m_okButton->setText(text);
}

void CustomDialog::hideCancelButton()
{
    if (m_cancelButton)
        m_cancelButton->hide();
}

void CustomDialog::showCloseButton()
{
    if (m_closeButton)
        m_closeButton->show();
}

void CustomDialog::hideCloseButton()
{
    if (m_closeButton)
        m_closeButton->hide();
}

void CustomDialog::addMinimizeButton()
{
    const bool blue = UISettings::instance()->isBlueSkin();
    auto *button = new ToolButton(blue ? QStringLiteral("blue_miniminimize") : QStringLiteral("minimize-dialog"));
    button->setObjectName(QStringLiteral("windowminimizebutton"));
    button->setAccessibleName(tr("Minimize"));
    connect(button, &QToolButton::clicked, this, &QWidget::showMinimized);
    m_titleBarLayout->insertWidget(3, button);
}

void CustomDialog::addResizeGrip()
{
    addResizeGrip(QStringLiteral(":/resize-grip-dialog.png"));
}

void CustomDialog::addResizeGrip(const QString &imagePath)
{
    if (!m_resizeGrip) {
        m_resizeGrip = new QLabel(this);
        // Only a picture: resizing comes from the filter's edge zones.
        m_resizeGrip->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    m_resizeGrip->setPixmap(QPixmap(imagePath));
    m_resizeGrip->resize(12, 12);
    m_resizeGrip->move(width() - 14, height() - 14);
    m_resizeGrip->raise();
    if (m_frameControlsHidden)
        m_resizeGrip->hide();
    else
        m_resizeGrip->show();
}

void CustomDialog::setCenterOnParent(bool center)
{
    m_centerOnParent = center;
}

void CustomDialog::minimize()
{
    showMinimized();
}

int CustomDialog::exec()
{
    // A window becomes modal only when it is shown as such: showing it first
    // as an ordinary window would leave the modal loop blocking nothing.
    const bool wasModal = testAttribute(Qt::WA_ShowModal);
    if (!wasModal) {
        if (isVisible())
            hide();
        setWindowModality(Qt::ApplicationModal);
    }
    show();
    raise();
    QPointer<CustomDialog> alive(this); // a delete-on-close dialog is gone after its loop
    const int result = QDialog::exec();
    if (alive && !wasModal)
        setWindowModality(Qt::NonModal);
    return result;
}

void CustomDialog::hideFrameControls()
{
    if (m_frameControlsHidden)
        return;
    m_frameControlsHidden = true;
    if (m_okButton)
        m_okButton->hide();
    if (m_cancelButton)
        m_cancelButton->hide();
    m_closeButton->hide();
    if (m_resizeGrip)
        m_resizeGrip->hide();
    if (m_eventFilter)
        QCoreApplication::instance()->removeEventFilter(m_eventFilter);
}

void CustomDialog::showFrameControls()
{
    if (!m_frameControlsHidden)
        return;
    m_frameControlsHidden = false;
    if (m_okButton)
        m_okButton->show();
    if (m_cancelButton)
        m_cancelButton->show();
    m_closeButton->show();
    if (m_resizeGrip)
        m_resizeGrip->show();
    if (m_eventFilter)
        QCoreApplication::instance()->installEventFilter(m_eventFilter);
}

QVBoxLayout *CustomDialog::createSectionFrame(QLayout *parent)
{
    auto *frame = new QFrame;
    frame->setObjectName(QStringLiteral("generalSectionFrame"));
    auto *layout = new QVBoxLayout(frame);
    parent->addWidget(frame);
    return layout;
}

QVBoxLayout *CustomDialog::createSection(QLayout *parent, const QString &title)
{
    QVBoxLayout *layout = createSectionFrame(parent);
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(title);
    label->setObjectName(QStringLiteral("generalSectionLabel"));
    row->addWidget(label);
    row->addStretch();
    layout->addLayout(row);
    return layout;
}

QVBoxLayout *CustomDialog::createCenteredSection(QLayout *parent, const QString &title)
{
    QVBoxLayout *layout = createSectionFrame(parent);
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(title);
    label->setObjectName(QStringLiteral("generalSectionLabel"));
    label->setAlignment(Qt::AlignHCenter);
    row->addWidget(label);
    layout->addLayout(row);
    return layout;
}

void CustomDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (m_resizeGrip)
        m_resizeGrip->move(width() - 14, height() - 14);
}

void CustomDialog::showEvent(QShowEvent *event)
{
    // Replaces the toolkit's placement: centre over the parent once, then
    // keep wherever the user put the dialog.
    if (event->type() != QEvent::Show || !m_firstShow || !m_centerOnParent)
        return;
    QWidget *parent = parentWidget();
    if (!parent)
        return;
    const QPoint topLeft = parent->mapToGlobal(parent->rect().topLeft());
    const QPoint c(topLeft.x() + parent->width() / 2, topLeft.y() + parent->height() / 2);
    QPoint position(c.x() - width() / 2, c.y() - height() / 2);
    // A dialog larger than a small parent near the screen's edge would
    // otherwise start with its title bar, and its move handle, out of reach.
    if (const QScreen *screen = parent->screen()) {
        const QRect area = screen->availableGeometry();
        position.setX(qMax(area.left(), qMin(position.x(), area.right() + 1 - width())));
        position.setY(qMax(area.top(), qMin(position.y(), area.bottom() + 1 - height())));
    }
    move(position);
    m_firstShow = false;
}

QPushButton *CustomDialog::addValueButtons(bool editable, bool hasValue)
{
    QPushButton *deleteButton = nullptr;
    if (editable && hasValue) {
        deleteButton = new QPushButton(tr("Delete"));
        deleteButton->setObjectName(QStringLiteral("deleteButton"));
        m_buttonsLayout->addWidget(deleteButton);
    }
    addCancelButton(tr("Close"));
    if (editable)
        addOkButton(tr("Save"));
    return deleteButton;
}
