#include "dialogs/listinfodialog.h"

#include "contacts/basefriendswidget.h"
#include "contacts/sharefriendscontainer.h"
#include "dialogs/listdialogshost.h"
#include "dialogs/syncnoticelabel.h"
#include "model/listmodel.h"
#include "model/modelscontainer.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "shell/messagedialog.h"
#include "shell/pdtextedit.h"
#include "shell/toolbutton.h"
#include "sync/runs/listssynchronizer.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

ListInfoDialog::ListInfoDialog(ListDialogsHost *host, QWidget *parent)
    : CustomDialog(tr("List info"), false, false, parent)
    , m_host(host)
{
    forgetHostWhenGone(m_host, this);
    addResizeGrip();
    resize(305, 440);
    setCenterOnParent(true);
    setTitleIcon(QStringLiteral(":/info_lists.png"));

    auto *outer = new QVBoxLayout;
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("dialogScroll"));
    scroll->setWidgetResizable(true);
    auto *frame = new QFrame;
    frame->setObjectName(QStringLiteral("dialogFrame"));
    m_sectionsLayout = new QVBoxLayout(frame);
    scroll->setWidget(frame);
    // Above the form, never scrolled away; outside it, since a wrapped text
    // would make the form take its fields' full heights.
    m_syncNoticeLabel = newSyncNoticeLabel();
    outer->addWidget(m_syncNoticeLabel);
    m_goneNoticeLabel = new QLabel;
    m_goneNoticeLabel->setObjectName(QStringLiteral("goneNoticeLabel"));
    m_goneNoticeLabel->setTextFormat(Qt::PlainText);
    m_goneNoticeLabel->setWordWrap(true);
    m_goneNoticeLabel->hide();
    outer->addWidget(m_goneNoticeLabel);
    outer->addWidget(scroll);
    setBareContentLayout(outer);
    auto *corner = new QWidget;
    corner->setObjectName(QStringLiteral("cornerWidget"));
    scroll->setCornerWidget(corner);

    QLabel *general = new QLabel(tr("General Info"));
    general->setObjectName(QStringLiteral("generalSectionLabel"));
    m_sectionsLayout->addWidget(general);

    auto *nameRow = new QHBoxLayout;
    addLabel(nameRow, tr("List Name: "));
    m_nameLabel = addLabel(nameRow, QString());
    m_renameButton = new ToolButton(QStringLiteral("rename-list"));
    m_renameButton->setObjectName(QStringLiteral("listNameEditButton"));
    m_renameButton->setAccessibleName(tr("Rename list"));
    nameRow->addWidget(m_renameButton);
    nameRow->addStretch();
    m_sectionsLayout->addLayout(nameRow);

    auto *revisionRow = new QHBoxLayout;
    addLabel(revisionRow, QStringLiteral("Revision:"));
    m_revisionLabel = addLabel(revisionRow, QString());
    revisionRow->addStretch();
    m_sectionsLayout->addLayout(revisionRow);

    auto *ownerRow = new QHBoxLayout;
    m_ownerBox = new QCheckBox;
    m_ownerBox->setEnabled(false);
    m_ownerBox->setAccessibleName(tr("You are the owner"));
    ownerRow->addWidget(m_ownerBox);
    addLabel(ownerRow, tr("You are the owner"));
    ownerRow->addStretch();
    m_doneBox = new QCheckBox(QStringLiteral("done"));
    m_doneBox->setObjectName(QStringLiteral("doneBox"));
    ownerRow->addWidget(m_doneBox);
    m_sectionsLayout->addLayout(ownerRow, 10);

    auto *descriptionRow = new QHBoxLayout;
    addLabel(descriptionRow, tr("Description:"));
    descriptionRow->addStretch();
    m_manageSharingButton =
        new QPushButton(QIcon(QStringLiteral(":/listshare_free_OK.png")), tr("manage sharing"));
    m_manageSharingButton->setObjectName(QStringLiteral("manageSharingButton"));
    descriptionRow->addWidget(m_manageSharingButton);
    m_sectionsLayout->addLayout(descriptionRow, 10);

    auto *editRow = new QHBoxLayout;
    m_descriptionEdit = new PDTextEdit;
    m_descriptionEdit->setObjectName(QStringLiteral("descriptionEdit"));
    m_descriptionEdit->setAccessibleName(tr("Description"));
    editRow->addWidget(m_descriptionEdit);
    m_saveDescriptionButton = new ToolButton(QStringLiteral("attachment_file"));
    m_saveDescriptionButton->setObjectName(QStringLiteral("listNameEditButton"));
    m_saveDescriptionButton->setAccessibleName(tr("Save description"));
    editRow->addWidget(m_saveDescriptionButton);
    m_sectionsLayout->addLayout(editRow);

    QLabel *statistics = new QLabel(tr("Statistics"));
    statistics->setObjectName(QStringLiteral("generalSectionLabel"));
    m_sectionsLayout->addWidget(statistics);
    auto *grid = new QGridLayout;
    auto gridLabel = [](const QString &text) {
        auto *label = new QLabel(text);
        label->setObjectName(QStringLiteral("standarLabel"));
        return label;
    };
    grid->addWidget(gridLabel(tr("Total tasks: ")), 0, 0);
    m_totalLabel = gridLabel(QString());
    grid->addWidget(m_totalLabel, 0, 1);
    grid->addWidget(gridLabel(tr("Completed tasks: ")), 1, 0);
    m_completedLabel = gridLabel(QString());
    grid->addWidget(m_completedLabel, 1, 1);
    m_completedPercentLabel = gridLabel(QString());
    grid->addWidget(m_completedPercentLabel, 1, 2);
    grid->addWidget(gridLabel(tr("Pending tasks: ")), 2, 0);
    m_pendingLabel = gridLabel(QString());
    grid->addWidget(m_pendingLabel, 2, 1);
    m_pendingPercentLabel = gridLabel(QString());
    grid->addWidget(m_pendingPercentLabel, 2, 2);
    m_sectionsLayout->addLayout(grid);

    m_sharedByFrame = new QFrame;
    m_sharedByFrame->setObjectName(QStringLiteral("sharedFrame"));
    auto *sharedBy = new QVBoxLayout(m_sharedByFrame);
    sharedBy->setContentsMargins(0, 0, 0, 0);
    QLabel *sharedByHeading = new QLabel(tr("Shared By"));
    sharedByHeading->setObjectName(QStringLiteral("generalSectionLabel"));
    sharedBy->addWidget(sharedByHeading);
    auto *ownerNameRow = new QHBoxLayout;
    addLabel(ownerNameRow, tr("Shared by: "));
    m_ownerNameLabel = addLabel(ownerNameRow, QString());
    ownerNameRow->addStretch();
    m_unshareButton = new QPushButton(QIcon(QStringLiteral(":/unshare.png")), tr("Unshare"));
    m_unshareButton->setObjectName(QStringLiteral("listinfounsharebutton"));
    ownerNameRow->addWidget(m_unshareButton);
    sharedBy->addLayout(ownerNameRow);
    auto *permissionsRow = new QHBoxLayout;
    addLabel(permissionsRow, tr("Permissions: "));
    addLabel(permissionsRow, tr("read"));
    m_readBox = new QCheckBox;
    m_readBox->setChecked(true);
    m_readBox->setEnabled(false);
    m_readBox->setAccessibleName(tr("read"));
    permissionsRow->addWidget(m_readBox);
    addLabel(permissionsRow, tr("write"));
    m_writeBox = new QCheckBox;
    m_writeBox->setEnabled(false);
    m_writeBox->setAccessibleName(tr("write"));
    permissionsRow->addWidget(m_writeBox);
    addLabel(permissionsRow, tr("delete"));
    m_deleteBox = new QCheckBox;
    m_deleteBox->setEnabled(false);
    m_deleteBox->setAccessibleName(tr("delete"));
    permissionsRow->addWidget(m_deleteBox);
    permissionsRow->addStretch();
    sharedBy->addLayout(permissionsRow);
    sharedBy->addStretch();
    m_sectionsLayout->addWidget(m_sharedByFrame);

    m_sharedWithFrame = new QFrame;
    m_sharedWithFrame->setObjectName(QStringLiteral("sharedFrame"));
    auto *sharedWith = new QVBoxLayout(m_sharedWithFrame);
    sharedWith->setContentsMargins(0, 0, 0, 0);
    QLabel *sharedWithHeading = new QLabel(tr("Shared With"));
    sharedWithHeading->setObjectName(QStringLiteral("generalSectionLabel"));
    sharedWith->addWidget(sharedWithHeading);
    ModelsContainer *models = host ? host->modelsContainer() : nullptr;
    m_shareContainer = new ShareFriendsContainer(host ? host->chatUI() : nullptr,
                                                 models ? models->friends() : nullptr, false, this);
    m_shareContainer->createContents(false);
    m_shareContainer->friendsWidget()->setShowAvatars(false);
    m_shareContainer->setEditable(false);
    m_shareContainer->setShowUnsharedFriends(false);
    sharedWith->addWidget(m_shareContainer);
    m_sectionsLayout->addWidget(m_sharedWithFrame);

    connect(m_renameButton, &QAbstractButton::clicked, this, &ListInfoDialog::editListName);
    connect(m_unshareButton, &QPushButton::clicked, this, &ListInfoDialog::unshareList);
    connect(m_manageSharingButton, &QPushButton::clicked, this, &ListInfoDialog::onManageSharingButtonClicked);
    connect(m_saveDescriptionButton, &QAbstractButton::clicked, this, &ListInfoDialog::onSaveDescriptionClicked);
    connect(m_doneBox, &QCheckBox::stateChanged, this, &ListInfoDialog::onDoneStateChanged);
}

QLabel *ListInfoDialog::addLabel(QLayout *layout, const QString &text)
{
    auto *label = new QLabel(text);
    label->setObjectName(QStringLiteral("standarLabel"));
    // Names and owners come from other users: shown as written, never as markup.
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    return label;
}

ListModel *ListInfoDialog::currentList() const
{
    return m_host ? m_host->currentList() : nullptr;
}

void ListInfoDialog::updateInfo()
{
    ListModel *list = currentList();
    if (!list || m_listGone)
        return;
    m_nameLabel->setText(list->name());
    updateEditable();
    m_doneBox->setChecked(list->isDone());
    // Typing meant for another list does not follow the form to this one.
    if (list != m_descriptionList) {
        m_descriptionList = list;
        m_shownDescription = m_descriptionEdit->toPlainText();
    }
    if (m_descriptionEdit->toPlainText() == m_shownDescription) {
        if (m_shownDescription != list->description())
            m_descriptionEdit->setPlainText(list->description());
        m_shownDescription = m_descriptionEdit->toPlainText();
    }

    if (list->isOwned()) {
        m_ownerBox->setChecked(true);
        m_sharedByFrame->hide();
        m_sharedWithFrame->show();
        m_manageSharingButton->setEnabled(true);
        m_shareContainer->setListModel(list);
    } else {
        m_ownerBox->setChecked(false);
        m_sharedByFrame->show();
        m_sharedWithFrame->hide();
        m_manageSharingButton->setEnabled(false);
        m_ownerNameLabel->setText(list->owner());
        m_unshareButton->setEnabled(list->hasDeletePermission());
        m_writeBox->setChecked(list->hasWritePermission());
        m_deleteBox->setChecked(list->hasDeletePermission());
    }

    const quint32 revision = list->taskList() ? list->taskList()->revision() : 0;
    m_revisionLabel->setText(revision == 0 ? tr("No Revision") : QString::number(revision));

    int total = 0, done = 0, notDone = 0, donePercent = 0, notDonePercent = 0;
    if (list->taskList())
        list->taskList()->taskStatistics(total, done, notDone, donePercent, notDonePercent);
    m_totalLabel->setText(QString::number(total));
    m_completedLabel->setText(QString::number(done));
    m_pendingLabel->setText(QString::number(notDone));
    m_completedPercentLabel->setText(QStringLiteral("(%1%)").arg(donePercent));
    m_pendingPercentLabel->setText(QStringLiteral("(%1%)").arg(notDonePercent));
    update();
}

// A run replaces the list with the server's copy: no edit while it goes.
static bool acceptsEdits(const ListModel *list)
{
    return list && list->hasWritePermission() && !list->isSynchronizing();
}

// The description refuses typing visibly (read-only, not dropped keys), and
// while a run holds the list the panel says why and for how long.
void ListInfoDialog::updateEditable()
{
    ListModel *list = currentList();
    const bool writable = !m_listGone && acceptsEdits(list);
    m_renameButton->setEnabled(writable);
    m_doneBox->setEnabled(writable);
    m_descriptionEdit->setReadOnly(!writable);
    m_saveDescriptionButton->setVisible(writable);
    m_syncNoticeLabel->setVisible(!m_listGone && list && list->hasWritePermission() && list->isSynchronizing());
    if (m_listGone) {
        m_manageSharingButton->setEnabled(false);
        m_unshareButton->setEnabled(false);
    }
}

bool ListInfoDialog::listRemoved(ListModel *list)
{
    if (!list || list != m_descriptionList || m_listGone || m_descriptionEdit->toPlainText() == m_shownDescription)
        return false;
    const bool bySync = list->isSynchronizing() || ListsSynchronizer::running();
    const QString why = !bySync          ? tr("This list was removed.")
                        : list->isOwned() ? tr("This list was removed on another computer: the synchronisation "
                                               "took it away.")
                                          : tr("This list is no longer shared with you: the synchronisation took "
                                               "it away.");
    m_goneNoticeLabel->setText(why + QLatin1Char(' ')
                               + tr("What you typed stays here for you to copy; it cannot be saved."));
    m_goneNoticeLabel->show();
    m_listGone = true;
    m_descriptionList = nullptr;
    updateEditable();
    return true;
}

void ListInfoDialog::listChosen()
{
    if (!m_listGone)
        return;
    m_listGone = false;
    m_goneNoticeLabel->hide();
    // The form is the chosen list's: the typing was for the one gone.
    updateInfo();
}

void ListInfoDialog::editListName()
{
    ListModel *list = currentList();
    if (!m_host || m_listGone || !acceptsEdits(list))
        return;
    QPointer<ListInfoDialog> alive(this);
    m_host->changeListNameExternally(list, this);
    if (!alive)
        return;
    updateInfo();
    repaint();
}

void ListInfoDialog::onSaveDescriptionClicked()
{
    ListModel *list = currentList();
    if (m_listGone || !acceptsEdits(list))
        return;
    m_descriptionList = list;
    m_shownDescription = m_descriptionEdit->toPlainText();
    list->setDescription(m_shownDescription);
}

void ListInfoDialog::onDoneStateChanged(int state)
{
    ListModel *list = currentList();
    if (m_listGone || !acceptsEdits(list))
        return;
    if (state == Qt::Unchecked)
        list->setDone(false);
    else if (state == Qt::Checked)
        list->setDone(true);
}

void ListInfoDialog::onManageSharingButtonClicked()
{
    if (m_host)
        m_host->showListSharingUsersDialog();
}

void ListInfoDialog::unshareList()
{
    QPointer<ListModel> list = currentList();
    if (!list || !m_host || m_listGone)
        return;
    QPointer<ListInfoDialog> alive(this);
    const bool ok = MessageDialog::question(
        tr("Unshare List"),
        tr("Are you sure you want to stop seen the the list \"%1\" shared by \"%2\"?").arg(list->name(), list->owner()),
        this);
    if (!ok || !alive || !list || !m_host || !m_host->userLists())
        return;
    m_host->userLists()->deleteList(list->taskList());
}

void ListInfoDialog::accept()
{
    emit closeDialog();
}

void ListInfoDialog::reject()
{
    emit closeDialog();
}
