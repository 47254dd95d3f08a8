#include "dialogs/taskinfodialog.h"

#include "core/clock.h"
#include "core/serversettings.h"
#include "dialogs/assigneechat.h"
#include "dialogs/syncnoticelabel.h"
#include "dialogs/taskdialogopener.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/tasknote.h"
#include "shell/messagedialog.h"
#include "shell/pdtextedit.h"
#include "shell/toolbutton.h"
#include "sync/requests/eventconnection.h"
#include "sync/runs/listssynchronizer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLabel *labelNamed(const QString &text, const char *name)
{
    auto *label = new QLabel(text);
    label->setObjectName(QLatin1String(name));
    // The nicks come from other users: shown as written, never as markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

ToolButton *toolButton(const QString &image)
{
    auto *button = new ToolButton(image);
    button->setObjectName(QStringLiteral("saveToolButton"));
    return button;
}

const char *const meSuffix = " (me)";

} // namespace

TaskInfoDialog::TaskInfoDialog(TaskDialogOpener *owner, QWidget *parent)
    : CustomDialog(tr("Task info"), false, false, parent)
    , m_owner(owner)
{
    setTitleIcon(QStringLiteral(":/info_tasks.png"));
    addResizeGrip();
    resize(250, 540);
    setCenterOnParent(true);

    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("dialogScroll"));
    scroll->setWidgetResizable(true);
    auto *corner = new QWidget;
    corner->setObjectName(QStringLiteral("cornerWidget"));
    scroll->setCornerWidget(corner);
    auto *frame = new QFrame;
    frame->setObjectName(QStringLiteral("dialogFrame"));
    scroll->setWidget(frame);
    m_layout = new QVBoxLayout(frame);
    m_layout->setContentsMargins(4, 4, 4, 4);

    m_titleEdit = new PDTextEdit;
    m_titleEdit->setObjectName(QStringLiteral("textEdit"));
    m_titleEdit->setAccessibleName(tr("Title"));
    m_doneBox = new QCheckBox(QStringLiteral("done"));
    m_startLabel = labelNamed(QString(), "infoValueLabel");
    m_endLabel = labelNamed(QString(), "infoValueLabel");
    m_createdByLabel = labelNamed(QString(), "infoValueLabel");
    m_creationTimeLabel = labelNamed(QString(), "infoValueLabel");
    m_modifiedByLabel = labelNamed(QString(), "infoValueLabel");
    m_modificationTimeLabel = labelNamed(QString(), "infoValueLabel");
    m_doneByLabel = labelNamed(QString(), "infoValueLabel");
    m_assignedToLabel = labelNamed(QString(), "infoValueLabel");
    m_moreAssigneesLabel = labelNamed(QString(), "standarLabel");
    m_viewAllButton = new QPushButton(QIcon(QStringLiteral(":/asign_task.png")), QStringLiteral("View All"));
    m_viewAllButton->setObjectName(QStringLiteral("viewAllAssignmentsButton"));
    m_chatButton = new ToolButton(QStringLiteral("chating"));
    m_chatButton->setObjectName(QStringLiteral("taskInfoToolButton"));
    m_chatButton->setAccessibleName(tr("Chat"));
    m_noteEdit = new PDTextEdit;
    m_noteEdit->setObjectName(QStringLiteral("noteEdit"));
    m_noteEdit->setAccessibleName(tr("Note"));
    m_alarmLabel = labelNamed(QString(), "infoValueLabel");
    m_revisionLabel = labelNamed(QString(), "infoValueLabel");
    m_alarmButton = toolButton(QStringLiteral("red-clock"));
    m_saveTitleButton = toolButton(QStringLiteral("attachment_file"));
    m_saveNoteButton = toolButton(QStringLiteral("attachment_file"));
    m_deleteNoteButton = toolButton(QStringLiteral("note_delete"));
    m_startCalendarButton = toolButton(QStringLiteral("calendar"));
    m_endCalendarButton = toolButton(QStringLiteral("calendar"));
    m_alarmButton->setAccessibleName(tr("Edit alarm"));
    m_saveTitleButton->setAccessibleName(tr("Save title"));
    m_saveNoteButton->setAccessibleName(tr("Save note"));
    m_deleteNoteButton->setAccessibleName(tr("Delete note"));
    m_startCalendarButton->setAccessibleName(tr("Edit start time"));
    m_endCalendarButton->setAccessibleName(tr("Edit end time"));
    m_priorityBox = new QComboBox;
    m_priorityBox->setObjectName(QStringLiteral("priorityCheckBox"));
    m_priorityBox->setAccessibleName(tr("Priority"));
    m_priorityBox->addItem(tr("normal"));
    m_priorityBox->addItem(QIcon(QStringLiteral(":/priority-red.png")), tr("urgent"));
    m_priorityBox->addItem(QIcon(QStringLiteral(":/priority-green.png")), tr("reminder"));

    m_syncNoticeLabel = newSyncNoticeLabel();
    m_goneNoticeLabel = new QLabel;
    m_goneNoticeLabel->setObjectName(QStringLiteral("goneNoticeLabel"));
    m_goneNoticeLabel->setTextFormat(Qt::PlainText);
    m_goneNoticeLabel->setWordWrap(true);
    m_goneNoticeLabel->hide();
    m_layout->addWidget(labelNamed(tr("General Info"), "generalSectionLabel"));
    auto *titleRow = new QHBoxLayout;
    titleRow->addWidget(labelNamed(tr("Title"), "standarLabel"));
    titleRow->addStretch();
    titleRow->addWidget(labelNamed(tr("State:"), "standarLabel"));
    titleRow->addWidget(m_doneBox);
    m_layout->addLayout(titleRow, 10);
    auto *titleEditRow = new QHBoxLayout;
    titleEditRow->addWidget(m_titleEdit);
    titleEditRow->addWidget(m_saveTitleButton);
    m_layout->addLayout(titleEditRow);

    auto *gridRow = new QHBoxLayout;
    auto *grid = new QGridLayout;
    grid->addWidget(m_startCalendarButton, 0, 0);
    grid->addWidget(labelNamed(tr("Start Time:"), "standarLabel"), 0, 1);
    grid->addWidget(m_startLabel, 0, 2);
    grid->addWidget(m_endCalendarButton, 1, 0);
    grid->addWidget(labelNamed(tr("End Time:"), "standarLabel"), 1, 1);
    grid->addWidget(m_endLabel, 1, 2);
    grid->addWidget(m_alarmButton, 3, 0);
    grid->addWidget(labelNamed(tr("Alarm:"), "standarLabel"), 3, 1);
    grid->addWidget(m_alarmLabel, 3, 2);
    grid->addWidget(labelNamed(tr("Revision:"), "standarLabel"), 4, 1);
    grid->addWidget(m_revisionLabel, 4, 2);
    grid->addWidget(labelNamed(tr("Priority:"), "standarLabel"), 5, 1);
    grid->addWidget(m_priorityBox, 5, 2);
    gridRow->addLayout(grid);
    gridRow->addStretch();
    m_layout->addLayout(gridRow);

    m_layout->addWidget(labelNamed(tr("Notes"), "generalSectionLabel"));
    auto *noteRow = new QHBoxLayout;
    noteRow->addWidget(m_noteEdit);
    auto *noteButtons = new QVBoxLayout;
    noteButtons->addWidget(m_saveNoteButton);
    noteButtons->addWidget(m_deleteNoteButton);
    noteButtons->addStretch();
    noteRow->addLayout(noteButtons);
    m_layout->addLayout(noteRow);

    m_layout->addWidget(labelNamed(tr("Task Management"), "generalSectionLabel"));
    auto *managementRow = new QHBoxLayout;
    auto *management = new QGridLayout;
    management->setHorizontalSpacing(4);
    const QList<QPair<QString, QLabel *>> rows = {
        {tr("Created by:"), m_createdByLabel},
        {tr("Creation time:"), m_creationTimeLabel},
        {tr("Last Modified by:"), m_modifiedByLabel},
        {tr("Modification Time:"), m_modificationTimeLabel},
        {tr("Task Done by:"), m_doneByLabel},
    };
    for (int i = 0; i < rows.size(); ++i) {
        management->addWidget(labelNamed(rows[i].first, "standarLabel"), i, 0);
        management->addWidget(rows[i].second, i, 1);
    }
    management->addWidget(labelNamed(tr("Task Assign to:"), "standarLabel"), int(rows.size()), 0);
    auto *assignRow = new QHBoxLayout;
    assignRow->addWidget(m_assignedToLabel);
    assignRow->addWidget(m_chatButton);
    assignRow->addWidget(m_moreAssigneesLabel);
    assignRow->addWidget(m_viewAllButton);
    assignRow->addStretch();
    // Under its label, across both columns: the narrow docked panel has no
    // room for the nick, the chat button and "View All" beside the labels.
    management->addLayout(assignRow, int(rows.size()) + 1, 0, 1, 2);
    managementRow->addLayout(management);
    managementRow->addStretch();
    m_layout->addLayout(managementRow);
    m_layout->addStretch();

    auto *content = new QVBoxLayout;
    content->setContentsMargins(0, 0, 0, 0);
    // Above the form, never scrolled away; outside it, since a wrapped text
    // would make the form take its fields' full heights.
    content->addWidget(m_syncNoticeLabel);
    content->addWidget(m_goneNoticeLabel);
    content->addWidget(scroll);
    setBareContentLayout(content);

    connect(m_doneBox, &QCheckBox::stateChanged, this, &TaskInfoDialog::onDoneStateChanged);
    connect(m_saveTitleButton, &QToolButton::clicked, this, &TaskInfoDialog::onSaveTittleClicked);
    connect(m_startCalendarButton, &QToolButton::clicked, this, &TaskInfoDialog::onEditCalendarClicked);
    connect(m_endCalendarButton, &QToolButton::clicked, this, &TaskInfoDialog::onEditCalendarClicked);
    connect(m_alarmButton, &QToolButton::clicked, this, &TaskInfoDialog::onEditAlarmClicked);
    connect(m_priorityBox, &QComboBox::currentIndexChanged, this, &TaskInfoDialog::onPriorityIndexChanged);
    connect(m_saveNoteButton, &QToolButton::clicked, this, &TaskInfoDialog::onSaveNoteClicked);
    connect(m_deleteNoteButton, &QToolButton::clicked, this, &TaskInfoDialog::removeNoteClicked);
    connect(m_chatButton, &QToolButton::clicked, this, &TaskInfoDialog::onAssignmentChatClicked);
    connect(m_viewAllButton, &QPushButton::clicked, this, &TaskInfoDialog::onViewAllAssignmentsClicked);
    EventConnection *events = EventConnection::instance();
    connect(events, &EventConnection::connected, this, &TaskInfoDialog::onConnected);
    connect(events, &EventConnection::disconnected, this, &TaskInfoDialog::onDisconnected);
    m_chatButton->setVisible(false);
    m_viewAllButton->setVisible(false);
}

TaskInfoDialog::~TaskInfoDialog()
{
    disconnect(EventConnection::instance(), nullptr, this, nullptr);
}

void TaskInfoDialog::setAssigneeChat(AssigneeChat *chat)
{
    m_chat = chat;
    updateChatButton(EventConnection::instance()->isConnected());
}

void TaskInfoDialog::selectedTaskChanged(Task *task, ListModel *model)
{
    // The list's invisible root is no task of the user's: never shown.
    if (task && model && task == model->taskList()->rootTask())
        task = nullptr;
    if (m_listGone) {
        // What the page shows once the list went, and shows again after a
        // run replaced it, is no choice of the user's: the typing stays.
        if (!m_nextKnown) {
            m_nextModel = model;
            m_nextTask = TaskTrace(model, task);
            return;
        }
        if (model == m_nextModel && m_nextTask.find(model) == task)
            return;
        m_listGone = false;
    }
    // No other task chosen: what was typed for the removed task stays, and
    // the form stays on the task a run moved.
    if ((m_taskGone && !task && model == m_model) || (m_movedFrom && !task && model == m_movedFrom)) {
        updateInfo();
        return;
    }
    // The task a reset took away, back by undo or redo, is the same task.
    const bool sameTask = task && model == m_model
        && (task == m_task || (!m_taskBeforeReset.isNull() && m_taskBeforeReset.find(model) == task)
            || (m_taskGone && m_goneTask.find(model) == task));
    // Another task chosen: the typing for the one taken away stays with it.
    if (m_taskGone && !sameTask && holdsTyping())
        keepTyping(typingFor(m_goneTask));
    // Left, the typing for a task a run moved stays with it there.
    if (m_movedFrom && !sameTask && m_task && m_model && holdsTyping())
        keepTyping(typingFor(TaskTrace(m_model, m_task)));
    m_movedFrom = nullptr;
    // Left for another: kept too should the list be removing it.
    if (!m_taskGone && !sameTask && m_task && m_model && holdsTyping()) {
        m_leftTyping = typingFor(TaskTrace(m_model, m_task));
        QTimer::singleShot(0, this, [this] { m_leftTyping = KeptTyping(); });
    }
    if (m_model != model)
        watch(model);
    // No task handed in the middle of a reset (a move the tree makes in
    // several steps) leaves the form's own look-up after the reset to decide.
    const bool waitForReset = !task && !m_taskBeforeReset.isNull() && model == m_model;
    m_task = model ? task : nullptr;
    m_model = model;
    m_taskLifetime = m_task ? m_task->lifetime() : std::weak_ptr<const void>();
    m_taskGone = false;
    m_goneTask = TaskTrace();
    if (!waitForReset)
        m_taskBeforeReset = TaskTrace();
    // Typing meant for another task does not follow the form to this one.
    if (!sameTask && !waitForReset) {
        m_shownTitle = m_titleEdit->toPlainText();
        m_shownNote = m_noteEdit->toPlainText();
    }
    // The form stays as it is until that look-up: showing no task now would
    // clear the fields of a task that turns out to be gone.
    if (!waitForReset)
        updateInfo();
    if (!sameTask && !waitForReset)
        restoreTyping();
}

void TaskInfoDialog::watch(ListModel *model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    if (!model)
        return;
    // Before the list frees its tasks; the page hands the new current task
    // once the reset or removal is done.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &TaskInfoDialog::forgetTask);
    connect(model, &QAbstractItemModel::modelReset, this, &TaskInfoDialog::findTaskAfterReset);
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &TaskInfoDialog::keepTypingOfRemovedRows);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &TaskInfoDialog::forgetTaskIfGone);
}

// The moved task is the same task: the fields keep their typing, for its
// own Save to store there once its list's run is over.
bool TaskInfoDialog::followMove(const TaskTrace &task)
{
    const TaskList *into = nullptr;
    Task *copy = task.findMoved(m_model, &into);
    ListModel *list = !copy                          ? nullptr
                      : into == m_model->taskList() ? m_model.data()
                      : m_owner                     ? m_owner->listHolding(into)
                                                    : nullptr;
    if (!list || !list->indexOfTask(copy).isValid())
        return false;
    if (list != m_model) {
        m_movedFrom = m_model;
        watch(list);
        m_model = list;
    }
    m_task = copy;
    return true;
}

bool TaskInfoDialog::listRemoved(ListModel *list)
{
    if (!list || list != m_model || m_listGone || !holdsTyping())
        return false;
    const bool bySync = list->isSynchronizing() || ListsSynchronizer::running();
    m_listGoneNotice = !bySync            ? tr("This task's list was removed.")
                       : list->isOwned() ? tr("This task's list was removed on another computer: the "
                                               "synchronisation took it away.")
                                          : tr("This task's list is no longer shared with you: the "
                                               "synchronisation took it away.");
    disconnect(list, nullptr, this, nullptr);
    m_model = nullptr;
    m_task = nullptr;
    m_taskGone = false;
    m_goneTask = TaskTrace();
    m_taskBeforeReset = TaskTrace();
    m_listGone = true;
    // What the page hands while it takes the list away, before the event
    // loop runs again, is where it went, not the user's choice.
    m_nextModel = nullptr;
    m_nextTask = TaskTrace();
    m_nextKnown = false;
    QTimer::singleShot(0, this, [this] { m_nextKnown = true; });
    updateInfo();
    return true;
}

bool TaskInfoDialog::holdsTyping() const
{
    return m_titleEdit->toPlainText() != m_shownTitle || m_noteEdit->toPlainText() != m_shownNote;
}

TaskInfoDialog::KeptTyping TaskInfoDialog::typingFor(const TaskTrace &task) const
{
    KeptTyping typing{m_model, task, QString(), QString()};
    if (m_titleEdit->toPlainText() != m_shownTitle)
        typing.title = m_titleEdit->toPlainText();
    if (m_noteEdit->toPlainText() != m_shownNote)
        typing.note = m_noteEdit->toPlainText();
    return typing;
}

void TaskInfoDialog::keepTyping(const KeptTyping &typing)
{
    if (typing.task.isNull() || !typing.model)
        return;
    constexpr int kept = 20;
    m_keptTyping.removeIf([](const KeptTyping &other) { return !other.model; });
    while (m_keptTyping.size() >= kept)
        m_keptTyping.removeFirst();
    m_keptTyping.append(typing);
}

// The task shown now had typing kept for it: the fields hold it again, for
// its own Save to store.
void TaskInfoDialog::restoreTyping()
{
    if (!m_task || !m_model)
        return;
    for (auto it = m_keptTyping.begin(); it != m_keptTyping.end(); ++it) {
        if (it->model != m_model || it->task.find(m_model) != m_task)
            continue;
        if (!it->title.isNull())
            m_titleEdit->setPlainText(it->title);
        if (!it->note.isNull())
            m_noteEdit->setPlainText(it->note);
        m_keptTyping.erase(it);
        return;
    }
}

void TaskInfoDialog::keepTypingOfRemovedRows(const QModelIndex &parent, int first, int last)
{
    if (!m_model || sender() != m_model)
        return;
    const auto removing = [&](const Task *task) {
        for (int row = first; task && row <= last; ++row) {
            const Task *removed = m_model->taskForIndex(m_model->index(row, 0, parent));
            for (const Task *above = task; above; above = above->parent()) {
                if (above == removed)
                    return true;
            }
        }
        return false;
    };
    if (m_task && holdsTyping() && removing(m_task))
        keepTyping(typingFor(TaskTrace(m_model, m_task)));
    else if (m_leftTyping.model == m_model && removing(m_leftTyping.task.find(m_model)))
        keepTyping(std::exchange(m_leftTyping, KeptTyping()));
}

void TaskInfoDialog::forgetTask()
{
    m_taskBeforeReset = TaskTrace(m_model, m_task);
    if (m_taskBeforeReset.isNull() && m_task && !m_taskLifetime.expired())
        m_taskBeforeReset = TaskTrace::ofTaken(m_model, m_task);
    // A gone task's notice keeps saying what took it away.
    if (!m_taskGone)
        m_resetBySync = m_model && (m_model->isSynchronizing() || ListsSynchronizer::running());
    m_task = nullptr;
}

// No task was handed during the reset: the form keeps its task when the list
// still holds it or its new copy (a reset that freed nothing, such as a new
// attachment, or one the page's tree has not ended yet). A task the list no
// longer holds is gone: the task now at its row is another one, and typing
// meant for the one shown must not be saved into it.
void TaskInfoDialog::findTaskAfterReset()
{
    const TaskTrace before = m_taskBeforeReset;
    m_taskBeforeReset = TaskTrace();
    if (m_task || before.isNull() || !m_model)
        return;
    m_task = before.find(m_model);
    if (!m_task && m_resetBySync)
        followMove(before);
    m_taskLifetime = m_task ? m_task->lifetime() : std::weak_ptr<const void>();
    m_taskGone = !m_task;
    if (m_taskGone)
        m_goneTask = before;
    updateInfo();
}

void TaskInfoDialog::forgetTaskIfGone()
{
    if (!m_task || !m_model)
        return;
    const TaskList *list = m_model->taskList();
    if (m_task != list->rootTask() && !list->allTasks().contains(m_task))
        m_task = nullptr;
}

void TaskInfoDialog::fillText(PDTextEdit *edit, QString *shown, const QString &text)
{
    if (edit->toPlainText() != *shown)
        return;
    if (edit->toPlainText() != text)
        edit->setPlainText(text);
    *shown = edit->toPlainText();
}

void TaskInfoDialog::showNoTask()
{
    fillText(m_titleEdit, &m_shownTitle, QString());
    fillText(m_noteEdit, &m_shownNote, QString());
    m_titleEdit->setReadOnly(true);
    m_noteEdit->setReadOnly(true);
    for (QWidget *button : std::initializer_list<QWidget *>{m_saveTitleButton, m_saveNoteButton, m_deleteNoteButton,
                                                           m_alarmButton, m_startCalendarButton, m_endCalendarButton,
                                                           m_chatButton, m_viewAllButton})
        button->setVisible(false);
    {
        const QSignalBlocker blocker(m_doneBox);
        m_doneBox->setChecked(false);
    }
    m_doneBox->setEnabled(false);
    m_priorityBox->setEnabled(false);
    m_syncNoticeLabel->hide();
    m_goneNoticeLabel->hide();
    for (QLabel *label : {m_startLabel, m_endLabel, m_createdByLabel, m_creationTimeLabel, m_modifiedByLabel,
                          m_modificationTimeLabel, m_doneByLabel, m_assignedToLabel, m_moreAssigneesLabel,
                          m_alarmLabel, m_revisionLabel})
        label->clear();
}

// The fields keep what they showed, typing included, to be selected and
// copied; nothing takes an edit, and the notice says why.
void TaskInfoDialog::showTaskGone()
{
    const bool typed = m_titleEdit->toPlainText() != m_shownTitle || m_noteEdit->toPlainText() != m_shownNote;
    for (PDTextEdit *edit : {m_titleEdit, m_noteEdit}) {
        edit->setReadOnly(true);
        edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    const bool writable = m_model && m_model->hasWritePermission();
    showEditButtons(writable, false);
    m_chatButton->setVisible(false);
    m_viewAllButton->setVisible(false);
    m_doneBox->setEnabled(false);
    m_priorityBox->setEnabled(false);
    m_syncNoticeLabel->hide();
    QString text = m_listGone      ? m_listGoneNotice
                   : m_resetBySync ? tr("This task was removed on another computer: the synchronisation took it "
                                        "out of this list.")
                                   : tr("Undo or redo took this task out of the list.");
    if (typed)
        text += QLatin1Char(' ') + tr("What you typed stays here for you to copy; it cannot be saved.");
    m_goneNoticeLabel->setText(text);
    m_goneNoticeLabel->show();
}

void TaskInfoDialog::showEditButtons(bool visible, bool enabled)
{
    for (QWidget *button : std::initializer_list<QWidget *>{m_saveTitleButton, m_saveNoteButton, m_deleteNoteButton,
                                                           m_alarmButton, m_startCalendarButton, m_endCalendarButton}) {
        button->setVisible(visible);
        button->setEnabled(enabled);
    }
}

void TaskInfoDialog::updateInfo()
{
    // The run that took the task away records where the other computer
    // moved it once every list is in, after the reset that took it.
    if (m_taskGone && m_resetBySync && followMove(m_goneTask)) {
        m_taskGone = false;
        m_goneTask = TaskTrace();
        m_taskLifetime = m_task->lifetime();
    }
    if (m_taskGone || m_listGone) {
        showTaskGone();
        return;
    }
    if (!m_task || !m_model) {
        showNoTask();
        return;
    }
    if (m_movedFrom)
        m_goneNoticeLabel->setText(tr("This task was moved to the list \"%1\" on another computer: the "
                                      "synchronisation took it there, and it is shown there.")
                                       .arg(m_model->name()));
    m_goneNoticeLabel->setVisible(!m_movedFrom.isNull());
    const bool writable = m_model->hasWritePermission();
    // While its list synchronises the run would replace any edit: the
    // fields keep what was typed, look read-only, and take edits again when
    // it ends; the notice says so.
    const bool editable = takesEdits();
    m_titleEdit->setReadOnly(!editable);
    m_noteEdit->setReadOnly(!editable);
    m_syncNoticeLabel->setVisible(writable && m_model->isSynchronizing());
    showEditButtons(writable, editable);
    // Those open the page's dialogs of its current task, not of one a run
    // moved to another list.
    for (QWidget *button : std::initializer_list<QWidget *>{m_alarmButton, m_startCalendarButton, m_endCalendarButton})
        button->setEnabled(editable && !m_movedFrom);
    m_doneBox->setEnabled(editable);
    m_priorityBox->setEnabled(editable);

    fillText(m_titleEdit, &m_shownTitle, m_task->title());
    {
        const QSignalBlocker blocker(m_doneBox);
        m_doneBox->setChecked(m_task->isDone());
    }
    m_startLabel->setText(m_task->startTime().isNull() ? tr("unset") : m_task->startTimeText());
    m_endLabel->setText(m_task->dueTime().isNull() ? tr("unset") : m_task->dueTimeText());
    const QString noValue = tr("no value");
    m_createdByLabel->setText(m_task->createdBy().isNull() ? noValue : m_task->createdBy());
    m_creationTimeLabel->setText(m_task->creationTime().isNull() ? noValue : m_task->creationTimeText());
    m_modifiedByLabel->setText(m_task->lastModifiedBy().isNull() ? noValue : m_task->lastModifiedBy());
    m_modificationTimeLabel->setText(m_task->modificationTime().isNull() ? noValue
                                                                         : m_task->modificationTimeText());
    m_doneByLabel->setText(m_task->doneBy().isNull() ? noValue : m_task->doneBy());
    fillText(m_noteEdit, &m_shownNote, m_task->hasNote() ? m_task->note().text() : QString());

    if (m_task->hasAlarm()) {
        m_alarmLabel->setText(m_task->alarmTimeText());
        m_alarmImage = m_task->alarmTime().toLocalTime() > Clock::currentDateTime() ? QStringLiteral("red-clock")
                                                                                    : QStringLiteral("green-clock");
    } else {
        m_alarmLabel->setText(tr("unset"));
        // A task without alarm shows the neutral clock, not the last task's.
        m_alarmImage = QStringLiteral("red-clock");
    }
    m_alarmButton->setImage(m_alarmImage);
    m_revisionLabel->setText(m_task->revision() == 0 ? tr("No revision") : QString::number(m_task->revision()));
    {
        const QSignalBlocker blocker(m_priorityBox);
        const TaskPriority priority = m_task->priority();
        m_priorityBox->setCurrentIndex(priority == TaskPriority(TaskPriority::Urgent)     ? 1
                                       : priority == TaskPriority(TaskPriority::Reminder) ? 2
                                                                                          : 0);
    }

    const QStringList assignees = m_task->assignments();
    if (assignees.isEmpty()) {
        m_assignedToLabel->setText(tr("None"));
    } else if (assignees.first() == ServerSettings::instance()->userName()) {
        m_assignedToLabel->setText(assignees.first() + QLatin1String(meSuffix));
    } else {
        m_assignedToLabel->setText(assignees.first());
    }
    updateChatButton(EventConnection::instance()->isConnected());
    if (assignees.size() > 1) {
        m_moreAssigneesLabel->setText(tr("(%1)More").arg(assignees.size() - 1));
        m_viewAllButton->setVisible(true);
        m_viewAllButton->setEnabled(m_model->isOwned() && !m_movedFrom);
    } else {
        m_moreAssigneesLabel->clear();
        m_viewAllButton->setVisible(false);
    }
    update();
}

QString TaskInfoDialog::chatPartner() const
{
    if (!m_task || !m_model || m_task->assignments().isEmpty())
        return QString();
    const QString nick = m_task->assignments().first();
    if (nick == ServerSettings::instance()->userName())
        return QString();
    return nick;
}

void TaskInfoDialog::updateChatButton(bool connected)
{
    // For any assignee but the user: one who is not a contact is told so
    // when the button is pressed.
    m_chatButton->setVisible(connected && m_chat && !chatPartner().isEmpty());
}

// The same rule as a refresh: the user is nobody to chat with.
void TaskInfoDialog::onConnected()
{
    updateChatButton(true);
}

void TaskInfoDialog::onDisconnected()
{
    m_chatButton->setVisible(false);
}

void TaskInfoDialog::accept()
{
    emit closeDialog();
}

void TaskInfoDialog::reject()
{
    emit closeDialog();
}

void TaskInfoDialog::onAssignmentChatClicked()
{
    const QString nick = chatPartner();
    if (m_chat && !nick.isEmpty() && m_chat->canChatWith(nick)) {
        m_chat->startChatWith(nick);
        return;
    }
    MessageDialog::question(QStringLiteral("Chat with user"),
                            QStringLiteral("The user the task is assigned to is not in your friends list"), this);
}

void TaskInfoDialog::onViewAllAssignmentsClicked()
{
    emit viewAllAssignmentsClicked();
}

bool TaskInfoDialog::takesEdits() const
{
    return m_task && m_model && m_model->hasWritePermission() && !m_model->isSynchronizing();
}

// Each save takes the field's typing: the field then shows what was stored.
void TaskInfoDialog::onSaveTittleClicked()
{
    if (!takesEdits())
        return;
    m_shownTitle = m_titleEdit->toPlainText();
    m_model->setTaskTitle(m_task, m_shownTitle);
    updateInfo();
}

// A note left as the task has it (none, for an empty field) is not saved:
// that would date a new note, or change the task for nothing.
void TaskInfoDialog::onSaveNoteClicked()
{
    if (!takesEdits())
        return;
    TaskNote note = m_task->note();
    m_shownNote = m_noteEdit->toPlainText();
    const QString text = m_shownNote.trimmed();
    if (text != (m_task->hasNote() ? note.text() : QString())) {
        if (note.isEmpty())
            note.setAddedTime(Clock::currentDateTimeUtc());
        note.setText(text);
        m_model->setTaskNote(m_model->indexOfTask(m_task), note);
    }
    updateInfo();
}

void TaskInfoDialog::removeNoteClicked()
{
    if (!takesEdits())
        return;
    m_shownNote = m_noteEdit->toPlainText();
    m_model->setTaskNote(m_model->indexOfTask(m_task), TaskNote());
    updateInfo();
}

void TaskInfoDialog::onDoneStateChanged(int state)
{
    if (takesEdits())
        m_model->setTaskDone(m_task, state == Qt::Checked);
}

void TaskInfoDialog::onPriorityIndexChanged(int index)
{
    if (!takesEdits())
        return;
    static const int priorities[] = {TaskPriority::None, TaskPriority::Urgent, TaskPriority::Reminder};
    if (index < 0 || index > 2)
        return;
    m_model->changeTaskPriority(m_task, TaskPriority(priorities[index]));
}

void TaskInfoDialog::onEditCalendarClicked()
{
    if (m_owner)
        m_owner->showTimeManagementDialog();
}

void TaskInfoDialog::onEditAlarmClicked()
{
    if (m_owner)
        m_owner->showAlarmDialog();
}
