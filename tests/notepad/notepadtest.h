#ifndef NOTEPADTEST_H
#define NOTEPADTEST_H

// A notepad page over a stand-in lists page, and what its document holds.

#include "model/listmodel.h"
#include "model/notepadnote.h"
#include "model/notepadnotes.h"
#include "model/notepadreaderwriter.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "notepad/notepadtabwidget.h"
#include "notepad/notepadtextedit.h"
#include "notepad/notepadui.h"
#include "shell/mainwindowmode.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTabBar>
#include <QtTest>

#include <memory>

namespace NotepadTest {

// The lists page as the notepad sees it: its sync command.
class ListsPage : public QObject, public MainWindowMode
{
public:
    QWidget *centralWidget() override { return nullptr; }
    QWidget *taskInfoPanel() override { return nullptr; }
    QWidget *taskAttachmentsPanel() override { return nullptr; }
    QWidget *listsGroupsManagerPanel() override { return nullptr; }
    QWidget *listInfoPanel() override { return nullptr; }
    QWidget *bottomBarLeftWidget() override { return nullptr; }
    QWidget *bottomBarRightWidget() override { return nullptr; }
    QList<QWidget *> titleBarWidgets() override { return {}; }
    QList<QAction *> shortcutActions() override { return {}; }
    QAction *syncAction() override { return &sync; }
    QAction *doneTaskAction() override { return nullptr; }
    int uiMode() override { return 0; }

    QAction sync{QStringLiteral("Sync")};
};

struct SavedNote
{
    QString title;
    QString text;
    int status;
};

inline void removeNotepadFiles()
{
    QDir dir(QFileInfo(NotepadNotes::filePath()).path());
    for (const QFileInfo &fi : dir.entryInfoList({QStringLiteral("notepad.xhtml*")}, QDir::Files))
        QFile::remove(fi.filePath());
}

// What the notepad document holds now, as a kill would leave it.
inline QList<SavedNote> savedNotes()
{
    QList<SavedNote> saved;
    QFile file(NotepadNotes::filePath());
    if (!file.exists())
        return saved;
    NotepadReaderWriter reader(XMLReaderWriter::LocalDocument);
    const std::optional<QList<NotepadNote *>> notes = reader.loadNotepad(&file);
    if (!notes)
        return saved;
    for (NotepadNote *note : *notes) {
        saved.append({note->title(), note->text(), int(note->syncStatus())});
        delete note;
    }
    return saved;
}

inline QStringList savedTitles()
{
    QStringList titles;
    for (const SavedNote &note : savedNotes())
        titles.append(note.title);
    return titles;
}

// Writes a notepad document with the given notes (deleted with it).
inline void storeNotes(const QList<NotepadNote *> &notes)
{
    {
        // Its destructor writes the document.
        NotepadNotes pad;
        for (NotepadNote *note : notes)
            pad.appendNote(note);
    }
    qDeleteAll(notes);
}

inline NotepadNote *note(const QString &title, NotepadNote::SyncStatus status = NotepadNote::New, quint32 id = 0,
                         const QString &text = QString())
{
    auto *n = new NotepadNote;
    n->setSyncStatus(status);
    n->setServerId(id);
    n->setRevision(id ? 1 : 0);
    n->setTitle(title);
    n->setText(text);
    return n;
}

struct Pad
{
    Pad()
    {
        page = std::make_unique<NotepadUI>(&lists, [this] { return userLists.get(); });
        tabs()->resize(400, 300);
    }

    NotepadTabWidget *tabs() const { return page->tabWidget(); }
    NotepadNotes *notes() const { return NotepadNotes::instance(); }
    NotepadTextEdit *editor(int tab) const { return qobject_cast<NotepadTextEdit *>(tabs()->widget(tab)); }
    QStringList tabTitles() const
    {
        QStringList titles;
        for (int i = 0; i < tabs()->count(); ++i)
            titles.append(tabs()->tabText(i));
        return titles;
    }
    QStringList noteTitles() const
    {
        QStringList titles;
        for (NotepadNote *n : notes()->notes())
            titles.append(n->title());
        return titles;
    }
    // One tick of the 10 s save timer.
    void tick() { QVERIFY(QMetaObject::invokeMethod(page.get(), "onSaveTimeout")); }
    QPoint tabCentre(int tab) const { return tabs()->tabBar()->tabRect(tab).center(); }
    ListModel *addList(const QString &name, const QString &permissions = QStringLiteral("orwd"))
    {
        if (!userLists)
            userLists.reset(UserLists::create());
        TaskList *list = TaskList::create();
        list->setName(name);
        list->setPermissions(permissions);
        return userLists->addList(list);
    }

    ListsPage lists;
    std::unique_ptr<UserLists> userLists;
    std::unique_ptr<NotepadUI> page;
};

} // namespace NotepadTest

#endif
