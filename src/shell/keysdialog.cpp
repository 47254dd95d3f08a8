#include "shell/keysdialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

QLabel *keyLabel(const QString &key)
{
    auto *label = new QLabel(QKeySequence(key).toString(QKeySequence::NativeText));
    label->setObjectName(QStringLiteral("shortcutValueLabel"));
    label->setAlignment(Qt::AlignRight);
    return label;
}

} // namespace

KeysDialog::KeysDialog()
    : CustomDialog(tr("Shortcuts"), true, false, true, nullptr)
{
    setObjectName(QStringLiteral("appdialog"));
    setTitleIcon(QStringLiteral(":/shortcuts.png"));
    setOkButtonText(tr("Close"));

    auto *outer = new QHBoxLayout;
    auto *frame = new QFrame;
    frame->setObjectName(QStringLiteral("dialogFrame"));
    outer->addWidget(frame);
    auto *frameLayout = new QVBoxLayout(frame);
    auto *grid = new QGridLayout;
    frameLayout->addLayout(grid);
    frameLayout->addStretch();

    auto *welcome =
        new QLabel(tr("Welcopme to the Plumdeck shortcuts help box.Here are some helpfull shortcuts that will "
                      "help you to make the most of Plumdeck!"));
    welcome->setObjectName(QStringLiteral("welcomeLabel"));
    welcome->setWordWrap(true);
    grid->addWidget(welcome, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral(" ")), 1, 0, 1, 3);
    QVBoxLayout *columns[3];
    for (int i = 0; i < 3; ++i) {
        columns[i] = new QVBoxLayout;
        grid->addLayout(columns[i], 2, i);
    }

    // The keys are those the commands bind on every platform (explicit
    // sequences, not the platform's standard keys).
    QVBoxLayout *application = createCenteredSection(columns[0], tr("Application"));
    addShortcutRow(application, tr("Show Shortcuts"), QStringLiteral(":/shortcuts.png"), QStringLiteral("Ctrl+?"),
                   QStringLiteral("Ctrl+/"));
    addShortcutRow(application, tr("Show Preferences"), QStringLiteral(":/preferences.png"), QStringLiteral("F12"),
                   QStringLiteral("Ctrl+Shift+P"));
    addShortcutRow(application, tr("Show Help"), QStringLiteral(":/help.png"), QStringLiteral("F1"));
    application->addStretch();
    QVBoxLayout *sync = createCenteredSection(columns[0], tr("Sync"));
    addShortcutRow(sync, tr("Sync"), QStringLiteral(":/sync.png"), QStringLiteral("F5"));
    addShortcutRow(sync, tr("Sync Contacts"), QStringLiteral(":/sync.png"), QStringLiteral("F5"));
    sync->addStretch();

    QVBoxLayout *tasks = createCenteredSection(columns[1], tr("Task management"));
    addShortcutRow(tasks, tr("Show task info"), QStringLiteral(":/info_tasks.png"), QStringLiteral("Ctrl+I"));
    tasks->addSpacing(10);
    addShortcutRow(tasks, tr("Check/uncheck task"), QStringLiteral(":/done-menu.png"), QStringLiteral("Space"));
    addShortcutRow(tasks, tr("Move task up"), QStringLiteral(":/move_task_up.png"), QStringLiteral("Ctrl+Up"));
    addShortcutRow(tasks, tr("Move task down"), QStringLiteral(":/move_task_down.png"), QStringLiteral("Ctrl+Down"));
    addShortcutRow(tasks, tr("Indent task"), QStringLiteral(":/indent.png"), QStringLiteral("Tab"));
    addShortcutRow(tasks, tr("Outdent task"), QStringLiteral(":/unindent.png"), QStringLiteral("Shift+Tab"));
    addShortcutRow(tasks, tr("Set alarm"), QStringLiteral(":/red-clock.png"), QStringLiteral("Ctrl+Shift+A"));
    // The key adds a note to the current task; the notepad has no key.
    addShortcutRow(tasks, tr("Add new note"), QStringLiteral(":/note.png"), QStringLiteral("Ctrl+Shift+N"));
    tasks->addSpacing(10);
    addShortcutRow(tasks, tr("Undo"), QStringLiteral(":/undo.png"), QStringLiteral("Ctrl+Z"));
    addShortcutRow(tasks, tr("Redo"), QStringLiteral(":/redo.png"), QStringLiteral("Ctrl+Y"),
                   QStringLiteral("Ctrl+Shift+Z"));
    addShortcutRow(tasks, tr("Copy task"), QStringLiteral(":/copy.png"), QStringLiteral("Ctrl+C"));
    addShortcutRow(tasks, tr("Paste task"), QStringLiteral(":/paste.png"), QStringLiteral("Ctrl+V"));
    tasks->addSpacing(10);
    addShortcutRow(tasks, tr("Hide/Show searchbar"), QStringLiteral(":/chat/search2.png"), QStringLiteral("Ctrl+F"));
    tasks->addStretch();

    QVBoxLayout *lists = createCenteredSection(columns[2], tr("List Management"));
    addShortcutRow(lists, tr("Show list manager"), QStringLiteral(":/list_group.png"), QStringLiteral("Ctrl+L"));
    lists->addSpacing(10);
    addShortcutRow(lists, tr("Add List"), QStringLiteral(":/add-list-menu.png"), QStringLiteral("Ctrl+T"));
    addShortcutRow(lists, tr("Remove list"), QStringLiteral(":/remove-list-menu.png"), QStringLiteral("Ctrl+W"),
                   QStringLiteral("Ctrl+F4"));
    addShortcutRow(lists, tr("Rename list"), QStringLiteral(":/rename-list.png"), QStringLiteral("Ctrl+F2"));
    addShortcutRow(lists, tr("Switch to next list"), QStringLiteral(":/list_goto.png"), QStringLiteral("Ctrl+Tab"));
    lists->addStretch();

    setContentLayout(outer);
}

void KeysDialog::addShortcutRow(QVBoxLayout *section, const QString &description, const QString &iconPath,
                                const QString &firstKey, const QString &secondKey)
{
    auto *row = new QGridLayout;
    auto *icon = new QLabel;
    icon->setPixmap(QPixmap(iconPath));
    row->addWidget(icon, 0, 0);
    auto *name = new QLabel(description);
    name->setObjectName(QStringLiteral("shortcutNameLabel"));
    row->addWidget(name, 0, 1);
    row->addWidget(keyLabel(firstKey), 0, 2);
    if (!secondKey.isNull())
        row->addWidget(keyLabel(secondKey), 1, 2);
    row->setColumnStretch(1, 10);
    section->addLayout(row);
}
