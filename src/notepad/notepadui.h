#ifndef NOTEPADUI_H
#define NOTEPADUI_H

#include "model/notepadnoteidlist.h"
#include "shell/mainwindowmode.h"

#include <QMap>
#include <QObject>
#include <QPoint>
#include <QPointer>

#include <functional>

class Action;
class AddNotepadNoteAction;
class Menu;
class MoveNotepadNoteLeftAction;
class MoveNotepadNoteRightAction;
class NotepadNote;
class NotepadNotes;
class NotepadTabWidget;
class NotepadTextEdit;
class QTimer;
class RemoveNotepadNoteAction;
class RenameNotepadNoteAction;
class UserLists;

// The notepad page of the main window: one tab per note, each with its own
// editor. User edits go into the notes; the synchroniser's changes to the
// notepad come back through its signals and change the tabs.
class NotepadUI : public QObject, public MainWindowMode
{
    Q_OBJECT
public:
    // The lists page lends its sync command; `userLists` gives the lists the
    // editors' "Move To List" menu offers at the moment it opens.
    NotepadUI(MainWindowMode *listsPage, std::function<UserLists *()> userLists, QObject *parent = nullptr);
    ~NotepadUI() override;

    QWidget *centralWidget() override;
    void activated() override;
    QWidget *taskInfoPanel() override { return nullptr; }
    QWidget *taskAttachmentsPanel() override { return nullptr; }
    QWidget *listsGroupsManagerPanel() override { return nullptr; }
    QWidget *listInfoPanel() override { return nullptr; }
    QWidget *bottomBarLeftWidget() override { return m_bottomBarLeft; }
    QWidget *bottomBarRightWidget() override { return m_bottomBarRight; }
    QList<QWidget *> titleBarWidgets() override { return {}; }
    QList<QAction *> shortcutActions() override { return {}; }
    QAction *syncAction() override;
    QAction *doneTaskAction() override { return nullptr; }
    int uiMode() override { return 0; }

    void addNewNote();
    void moveNote(int from, int to);
    void moveCurrentNoteLeft();
    void moveCurrentNoteRight();
    void editNoteName(NotepadNote *note);
    void showContextMenu(const QPoint &globalPos, int tabIndex);
    NotepadNote *currentNote() const;
    NotepadNote *noteAt(int tabIndex) const;
    int currentIndex() const;
    int lastIndex() const;
    NotepadTabWidget *tabWidget() const { return m_tabWidget; }
    NotepadTextEdit *editorForNote(NotepadNote *note) const;

    // Takes every editor's text into its note, so that what is on screen is
    // what a save or a synchronisation reads.
    void commitEditors();
    // The closing steps' save: the editors' text, then the file if changed;
    // false, with *error saying why, when the file could not be written.
    bool save(QString *error = nullptr);

    AddNotepadNoteAction *addNoteAction() const { return m_addAction; }
    RenameNotepadNoteAction *renameNoteAction() const { return m_renameAction; }
    RemoveNotepadNoteAction *removeNoteAction() const { return m_removeAction; }
    MoveNotepadNoteRightAction *moveRightAction() const { return m_moveRightAction; }
    MoveNotepadNoteLeftAction *moveLeftAction() const { return m_moveLeftAction; }

public slots:
    void removeNote(NotepadNote *note);
    void onRemoveDefaultNotes();

private slots:
    void addNoteToModelAndView(NotepadNote *note);
    void deleteAndPurgeEverything();
    void onDisplayOrderChanged(const NotepadNoteIdList &ids);
    void onTabTextChangedByUser(int index, const QString &newText);
    void onTextEditLostFocus(NotepadTextEdit *textEditor);
    void onNoteTextChanged(NotepadNote *noteModel);
    void onNoteTitleChanged(NotepadNote *noteModel);
    void startSaveTimer();
    void onSaveTimeout();

private:
    // The file could not be read (`read` false), or notes were left out of it.
    void tellLoadProblem(bool read);
    NotepadTextEdit *addNoteTab(NotepadNote *note);
    void buildTabs(NotepadNotes *notes);
    NotepadNote *noteForEditor(QWidget *editor) const;
    void dropTab(NotepadTextEdit *editor);
    void addActionToMenu(Menu *menu, Action *action);

    NotepadTabWidget *m_tabWidget = nullptr;
    QPointer<Menu> m_contextMenu;
    QWidget *m_bottomBarLeft = nullptr;
    QWidget *m_bottomBarRight = nullptr;
    MainWindowMode *m_listsPage = nullptr;
    AddNotepadNoteAction *m_addAction = nullptr;
    RenameNotepadNoteAction *m_renameAction = nullptr;
    RemoveNotepadNoteAction *m_removeAction = nullptr;
    MoveNotepadNoteRightAction *m_moveRightAction = nullptr;
    MoveNotepadNoteLeftAction *m_moveLeftAction = nullptr;
    NotepadNotes *m_notes = nullptr;
    std::function<UserLists *()> m_userLists;
    QMap<NotepadTextEdit *, NotepadNote *> m_editors;
};

#endif
