#include "notepad/notepadui.h"

#include "core/clock.h"
#include "model/notepadnote.h"
#include "model/notepadnotes.h"
#include "notepad/notepadcommands.h"
#include "notepad/notepadtabwidget.h"
#include "notepad/notepadtextedit.h"
#include "shell/mainwindow.h"
#include "shell/menu.h"
#include "shell/messagedialog.h"

#include <QDebug>
#include <QDir>
#include <QScopeGuard>
#include <QTextDocument>
#include <QTimer>

NotepadUI::NotepadUI(MainWindowMode *listsPage, std::function<UserLists *()> userLists, QObject *parent)
    : QObject(parent)
    , m_listsPage(listsPage)
    , m_addAction(new AddNotepadNoteAction(this))
    , m_renameAction(new RenameNotepadNoteAction(this))
    , m_removeAction(new RemoveNotepadNoteAction(this))
    , m_moveRightAction(new MoveNotepadNoteRightAction(this))
    , m_moveLeftAction(new MoveNotepadNoteLeftAction(this))
    , m_notes(new NotepadNotes(this))
    , m_userLists(std::move(userLists))
{
    m_tabWidget = new NotepadTabWidget(this);
    m_tabWidget->setObjectName(QStringLiteral("tabs"));
    startSaveTimer();
    connect(m_tabWidget, &NotepadTabWidget::tabTextChangedByUser, this, &NotepadUI::onTabTextChangedByUser);

    m_bottomBarLeft = new QWidget;
    m_bottomBarLeft->setFixedSize(64, 21);
    m_bottomBarRight = new QWidget;
    m_bottomBarRight->setFixedSize(64, 21);

    const bool read = m_notes->load();
    if (!read || !m_notes->unreadNotes().isEmpty())
        tellLoadProblem(read);
    buildTabs(m_notes);

    connect(m_notes, &NotepadNotes::removeNoteFromView, this, &NotepadUI::removeNote);
    connect(m_notes, &NotepadNotes::removeDefaultNotes, this, &NotepadUI::onRemoveDefaultNotes);
    connect(m_notes, &NotepadNotes::addNoteToModelAndView, this, &NotepadUI::addNoteToModelAndView);
    connect(m_notes, &NotepadNotes::deleteAndPurgeEverythingSignal, this, &NotepadUI::deleteAndPurgeEverything);
    connect(m_notes, &NotepadNotes::displayOrderChanged, this, &NotepadUI::onDisplayOrderChanged);
}

NotepadUI::~NotepadUI()
{
    disconnect(m_notes, nullptr, this, nullptr);
    disconnect(m_tabWidget, &NotepadTabWidget::tabTextChangedByUser, this, &NotepadUI::onTabTextChangedByUser);
    for (auto it = m_editors.cbegin(); it != m_editors.cend(); ++it)
        disconnect(it.key(), nullptr, this, nullptr);
    // What is typed but not yet taken is part of what the destructor saves.
    commitEditors();
    const QList<NotepadNote *> notes = m_notes->notes();
    delete m_notes;
    qDeleteAll(notes);
    delete m_tabWidget;
    delete m_bottomBarLeft;
    delete m_bottomBarRight;
    delete m_addAction;
    delete m_renameAction;
    delete m_removeAction;
    delete m_moveRightAction;
    delete m_moveLeftAction;
}

void NotepadUI::tellLoadProblem(bool read)
{
    const QString path = QDir::toNativeSeparators(NotepadNotes::filePath());
    const QString kept = QDir::toNativeSeparators(m_notes->keptAsidePath());
    QString text;
    if (!read) {
        text = kept.isEmpty() ? tr("Your notepad file \"%1\" could not be read, so you start with a new note. "
                                   "The old file stays as it is: your new notes will not be saved over it.")
                                    .arg(path)
                              : tr("Your notepad file could not be read, so you start with a new note. "
                                   "The old file was kept as \"%1\".")
                                    .arg(kept);
    } else {
        const UnreadRecords &unread = m_notes->unreadNotes();
        const QString items = MessageDialog::unreadItems(unread, [](const UnreadRecord &record) {
            return record.serverId != 0 ? tr("the note with server id %1").arg(record.serverId)
                                        : tr("note %1 in the file").arg(record.position);
        });
        text = unread.size() == 1
            ? tr("One of your notes could not be read and was left out: %1.").arg(items)
            : tr("%n of your notes could not be read and were left out: %1.", nullptr, int(unread.size())).arg(items);
        text += QLatin1Char(' ') + tr("Your other notes were loaded.") + QLatin1Char(' ');
        text += kept.isEmpty()
            ? tr("The notepad file \"%1\" stays as it is: your changes will not be saved over it.").arg(path)
            : tr("The notepad file as it was is kept as \"%1\".").arg(kept);
    }
    // Over the main window, known by the time it shows; the window registers
    // the lists page, not this one.
    MessageDialog::tellLater(this, tr("Notepad"), text, [this]() -> QWidget * {
        return m_listsPage ? m_listsPage->mainWindow() : nullptr;
    });
}

QWidget *NotepadUI::centralWidget()
{
    return m_tabWidget;
}

// Switched to, the page takes the keys: what the user types goes into the note.
void NotepadUI::activated()
{
    if (QWidget *editor = m_tabWidget->currentWidget())
        editor->setFocus(Qt::OtherFocusReason);
}

QAction *NotepadUI::syncAction()
{
    // The same full synchronisation as the lists page's sync button.
    return m_listsPage ? m_listsPage->syncAction() : nullptr;
}

void NotepadUI::buildTabs(NotepadNotes *notes)
{
    if (notes->notes().isEmpty()) {
        addNewNote();
        return;
    }
    const QList<NotepadNote *> all = notes->notes();
    for (NotepadNote *note : all) {
        if (note->syncStatus() != NotepadNote::Deleted)
            addNoteTab(note);
    }
}

void NotepadUI::addNewNote()
{
    auto *note = new NotepadNote;
    m_notes->appendNote(note);
    addNoteTab(note);
}

NotepadTextEdit *NotepadUI::addNoteTab(NotepadNote *note)
{
    auto *editor = new NotepadTextEdit(m_userLists);
    editor->setObjectName(QStringLiteral("textedit"));
    editor->setAccessibleName(tr("Note text"));
    editor->setAcceptRichText(false);
    m_tabWidget->addTab(editor, Menu::entryText(note->title()));
    m_editors.insert(editor, note);
    connect(editor, &NotepadTextEdit::focusOut, this, &NotepadUI::onTextEditLostFocus);
    connect(note, &NotepadNote::contentsChanged, this, &NotepadUI::onNoteTextChanged);
    connect(note, &NotepadNote::titleChanged, this, &NotepadUI::onNoteTitleChanged);
    onNoteTextChanged(note);
    return editor;
}

NotepadTextEdit *NotepadUI::editorForNote(NotepadNote *note) const
{
    for (auto it = m_editors.cbegin(); it != m_editors.cend(); ++it) {
        if (it.value() == note)
            return it.key();
    }
    return nullptr;
}

NotepadNote *NotepadUI::noteForEditor(QWidget *editor) const
{
    return m_editors.value(qobject_cast<NotepadTextEdit *>(editor), nullptr);
}

void NotepadUI::dropTab(NotepadTextEdit *editor)
{
    NotepadNote *note = m_editors.take(editor);
    if (note)
        disconnect(note, nullptr, this, nullptr);
    disconnect(editor, nullptr, this, nullptr);
    m_tabWidget->removeTab(m_tabWidget->indexOf(editor));
    editor->deleteLater();
}

void NotepadUI::commitEditors()
{
    // Only what the user changed: a text as it came (blanks around it
    // included) is no edit of the note.
    for (auto it = m_editors.cbegin(); it != m_editors.cend(); ++it) {
        QTextDocument *document = it.key()->document();
        if (!document->isModified())
            continue;
        it.value()->editText(it.key()->toPlainText().trimmed());
        document->setModified(false);
    }
}

bool NotepadUI::save(QString *error)
{
    commitEditors();
    return m_notes->saveIfChanged(error);
}

void NotepadUI::onTextEditLostFocus(NotepadTextEdit *textEditor)
{
    if (NotepadNote *note = noteForEditor(textEditor))
        note->editText(textEditor->toPlainText().trimmed());
}

void NotepadUI::onTabTextChangedByUser(int index, const QString &newText)
{
    if (NotepadNote *note = noteAt(index))
        note->editTitle(newText);
}

void NotepadUI::onNoteTextChanged(NotepadNote *noteModel)
{
    if (NotepadTextEdit *editor = editorForNote(noteModel))
        editor->setPlainText(noteModel->text());
}

void NotepadUI::onNoteTitleChanged(NotepadNote *noteModel)
{
    if (NotepadTextEdit *editor = editorForNote(noteModel))
        m_tabWidget->setTabText(m_tabWidget->indexOf(editor), Menu::entryText(noteModel->title()));
}

void NotepadUI::removeNote(NotepadNote *note)
{
    NotepadTextEdit *editor = editorForNote(note);
    if (!editor) {
        qWarning() << "MainWindow::removeNote: note not known";
        return;
    }
    dropTab(editor);
    if (!note->mayBeOnServer()) {
        m_notes->purgeNote(note);
    } else {
        note->setSyncStatus(NotepadNote::Deleted);
        // Kept for the server, and in the file from the next save tick on.
        m_notes->setChanged(true);
    }
    if (m_tabWidget->count() == 0)
        addNewNote();
}

void NotepadUI::onRemoveDefaultNotes()
{
    // The synchroniser starts here: what is typed must count before it looks
    // for untouched notes and reads the texts.
    commitEditors();
    const QList<NotepadNote *> notes = m_notes->notes();
    for (NotepadNote *note : notes) {
        if (!note->isUntouched())
            continue;
        if (NotepadTextEdit *editor = editorForNote(note))
            dropTab(editor);
        else
            qWarning() << "MainWindow::removeNote: note not known";
        m_notes->purgeNote(note);
    }
}

void NotepadUI::addNoteToModelAndView(NotepadNote *note)
{
    m_notes->appendNote(note);
    addNoteTab(note);
}

void NotepadUI::deleteAndPurgeEverything()
{
    const QList<NotepadTextEdit *> editors = m_editors.keys();
    for (NotepadTextEdit *editor : editors)
        dropTab(editor);
    m_tabWidget->clear();
    const QList<NotepadNote *> notes = m_notes->notes();
    m_notes->notes().clear();
    m_notes->setChanged(true);
    // Nothing refers to them any more; later, in case a signal of theirs is
    // still being delivered.
    for (NotepadNote *note : notes)
        note->deleteLater();
}

void NotepadUI::onDisplayOrderChanged(const NotepadNoteIdList &ids)
{
    // Tab positions, not note-list positions: deleted notes stay in the list
    // without a tab. Taking the server's order is no move of the user's.
    const bool changedHere = m_notes->isDisplayOrderChanged();
    const std::optional<QSet<quint32>> moved = m_notes->movedInOrder();
    const auto keepMark = qScopeGuard([this, changedHere, moved] {
        m_notes->setDisplayOrderChanged(changedHere);
        m_notes->setMovedInOrder(moved);
    });
    int target = 0;
    for (quint32 id : ids) {
        NotepadNote *note = nullptr;
        const QList<NotepadNote *> notes = m_notes->notes();
        for (NotepadNote *candidate : notes) {
            if (candidate->syncStatus() != NotepadNote::Deleted && candidate->serverId() == id) {
                note = candidate;
                break;
            }
        }
        NotepadTextEdit *editor = note ? editorForNote(note) : nullptr;
        if (!editor) {
            qWarning() << "onDisplayOrderChanged error, the id dont exists locally" << id;
            continue;
        }
        const int from = m_tabWidget->indexOf(editor);
        if (from != target)
            moveNote(from, target);
        ++target;
    }
}

void NotepadUI::moveNote(int from, int to)
{
    NotepadNote *a = noteAt(from);
    NotepadNote *b = noteAt(to);
    if (!a || !b) {
        qWarning() << "Move note: Origin or destination note indexes have no model";
        return;
    }
    m_notes->moveNote(a, b);
    m_notes->noteMoved(a);
    m_notes->setDisplayOrderChanged(true);
    m_notes->setChanged(true);
    QWidget *page = m_tabWidget->widget(from);
    m_tabWidget->removeTab(from);
    m_tabWidget->insertTab(to, page, Menu::entryText(a->title()));
    m_tabWidget->setCurrentIndex(to);
}

void NotepadUI::moveCurrentNoteLeft()
{
    const int i = currentIndex();
    if (i == 0) {
        qWarning() << "Tryng to move a note left, but note is already the one more in the left";
        return;
    }
    moveNote(i, i - 1);
}

void NotepadUI::moveCurrentNoteRight()
{
    const int i = currentIndex();
    if (i + 1 == m_tabWidget->count()) {
        qWarning() << "Tryng to move a note right, but note is already the one more in the right";
        return;
    }
    moveNote(i, i + 1);
}

void NotepadUI::editNoteName(NotepadNote *note)
{
    NotepadTextEdit *editor = editorForNote(note);
    if (!editor) {
        qWarning() << "MainWindow::editNoteName: note not known";
        return;
    }
    m_tabWidget->editTabName(m_tabWidget->indexOf(editor));
}

void NotepadUI::showContextMenu(const QPoint &globalPos, int tabIndex)
{
    // The menu hides before its chosen entry runs, and the entry may ask a
    // question under it: it stays until the next menu (or the page) goes.
    delete m_contextMenu.data();
    // A parent window and a name let assistive tools place and announce it.
    auto *menu = new Menu(m_tabWidget);
    m_contextMenu = menu;
    menu->setAccessibleName(tr("Note"));
    addActionToMenu(menu, m_addAction);
    if (tabIndex != -1) {
        addActionToMenu(menu, m_removeAction);
        addActionToMenu(menu, m_moveLeftAction);
        addActionToMenu(menu, m_moveRightAction);
        addActionToMenu(menu, m_renameAction);
    }
    menu->popup(globalPos);
}

void NotepadUI::addActionToMenu(Menu *menu, Action *action)
{
    QAction *entry = nullptr;
    if (action->isCheckable()) {
        entry = menu->addAction(action->currentIcon(), action->text());
        entry->setCheckable(true);
        entry->setChecked(action->isChecked());
    } else {
        entry = menu->addAction(action->currentIcon(), action->text(), nullptr, nullptr, QKeySequence());
    }
    // The command's own enabled state is only refreshed when it runs, so it
    // may be older than the menu: it decides again when chosen.
    connect(entry, &QAction::triggered, action, [action] {
        action->updateState();
        action->trigger();
    });
    entry->setEnabled(action->shouldBeEnabled());
}

NotepadNote *NotepadUI::currentNote() const
{
    return noteAt(currentIndex());
}

NotepadNote *NotepadUI::noteAt(int tabIndex) const
{
    if (tabIndex < 0 || tabIndex >= m_tabWidget->count())
        return nullptr;
    return noteForEditor(m_tabWidget->widget(tabIndex));
}

int NotepadUI::currentIndex() const
{
    return m_tabWidget->currentIndex();
}

int NotepadUI::lastIndex() const
{
    return m_tabWidget->count() - 1;
}

void NotepadUI::startSaveTimer()
{
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &NotepadUI::onSaveTimeout);
    timer->start(Clock::interval(10000));
}

void NotepadUI::onSaveTimeout()
{
    // Typing alone does not reach the note; a kill must not lose it.
    commitEditors();
    m_notes->saveIfChanged();
}
