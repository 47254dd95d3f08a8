#include "lists/syncingscreen.h"

#include "core/uisettings.h"
#include "lists/tasktreeowner.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

SyncingScreen::SyncingScreen(TaskTreeOwner *ui, TreeView *view, QWidget *parent)
    : QWidget(parent)
    , m_ui(ui)
    , m_view(view)
    , m_blueSkin(UISettings::instance()->isBlueSkin())
{
    setAccessibleName(tr("List synchronisation"));
    auto *layout = new QVBoxLayout(this);
    m_frame = new QFrame;
    m_frameLayout = new QVBoxLayout(m_frame);
    m_frame->setObjectName(QStringLiteral("loadingFrame"));
    layout->addWidget(m_frame);

    auto *row = new QHBoxLayout;
    m_frameLayout->addLayout(row);
    auto *picture = new QLabel;
    picture->setPixmap(QPixmap(m_blueSkin ? QStringLiteral(":/sync_litprog_blue.png")
                                          : QStringLiteral(":/sync_litprog.png")));
    row->addWidget(picture);
    auto *label = new QLabel(tr("Synchronizing..."));
    label->setObjectName(QStringLiteral("loadingLabel"));
    row->addWidget(label);
    m_cancelButton = new QPushButton;
    m_cancelButton->setObjectName(QStringLiteral("cancelSyncButton"));
    m_cancelButton->setAccessibleName(tr("Cancel synchronisation"));
    m_cancelButton->setIcon(QIcon(m_blueSkin ? QStringLiteral(":/sync_close_blue.png")
                                             : QStringLiteral(":/sync_close.png")));
    connect(m_cancelButton, &QPushButton::clicked, this, &SyncingScreen::onCancelPressed);
    row->addWidget(m_cancelButton);
    // The tree takes no edits meanwhile: said where the user looks.
    auto *notice = new QLabel(tr("Editing comes back when it ends."));
    notice->setObjectName(QStringLiteral("syncingNoticeLabel"));
    m_frameLayout->addWidget(notice);
    // Keys typed at the tree meanwhile wait for the run, not lost nor sent
    // elsewhere.
    auto *held = new QLabel(tr("What you type meanwhile goes in then."));
    held->setObjectName(QStringLiteral("syncingHeldKeysLabel"));
    m_frameLayout->addWidget(held);
    m_frameLayout->addStretch(0);
}

SyncingScreen::~SyncingScreen() = default;

void SyncingScreen::onShowScreen(ListModel *model)
{
    m_model = model;
    show();
    update();
    repaint();
    raise();
}

void SyncingScreen::onHideScreen()
{
    m_model = nullptr;
    hide();
}

void SyncingScreen::onCancelPressed()
{
    // Once hidden the overlay has forgotten its list: a late click cannot
    // reach a synchroniser that has already finished.
    if (m_ui && m_model)
        m_ui->onCancelSingleListSync(m_model);
}
