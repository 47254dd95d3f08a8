#ifndef BACKUPDIALOG_H
#define BACKUPDIALOG_H

#include "shell/customdialog.h"

#include <QPointer>

class ListsGroups;
class MessageDialog;
class QLabel;
class QPushButton;
class UserLists;

// "Backup": writes all lists to one lists document of the user's choice, and
// reads one back in place of all current lists. An export replaces an older
// file only once the new one is complete; an import that cannot be read
// changes nothing. An import first keeps the lists it replaces in a lists
// document beside the lists file (nothing is imported when it cannot), and
// the lists it reads are restored lists (see RestoredLists). Both record the
// account whose ids the lists hold; an import compares it as the program
// addresses the server, and asks the user of a file that names none.
class BackupDialog : public CustomDialog
{
    Q_OBJECT
public:
    BackupDialog(UserLists *lists, ListsGroups *groups, QWidget *parent = nullptr);

    void showInfo(const QString &text);
    void showWarning(const QString &text);

    QLabel *infoLabel() const { return m_infoLabel; }
    QLabel *warningLabel() const { return m_warningLabel; }
    QPushButton *exportButton() const { return m_exportButton; }
    QPushButton *importButton() const { return m_importButton; }

    // Asked at the import of a backup that names no account: whether its
    // ids are this account's. Cancel, the default, takes them for another's.
    static MessageDialog *newOwnBackupQuestion(QWidget *parent = nullptr);
    // What the import says of the lists whose tasks it found twice under
    // one id.
    static QString repeatedTaskIdsText(const QStringList &lists);

signals:
    // The lists read from a backup. Connect it to the lists page, which takes
    // them over in place of all current lists.
    void listsRestored(UserLists *lists);
    // Restored lists that no group held were put into the default group,
    // or where the groups had the list of their id.
    void listsGroupsChanged();

public slots:
    void onExportToFilePressed();
    void onImportFromFilePressed();

private:
    QPushButton *addSection(QLayout *content, const QString &title, const QString &text, const QString &button,
                            const QString &icon);
    // The chosen path, empty when the user cancelled; remembers its folder.
    QString chooseFile(bool forSaving);
    bool askWhetherOwnBackup(const UserLists *lists);
    void enterIntoDefaultGroup(UserLists *lists);
    void showReport(QLabel *shown, QLabel *hidden, const QString &text);

    QPointer<UserLists> m_userLists;
    QPointer<ListsGroups> m_listsGroups;
    QLabel *m_infoLabel;
    QLabel *m_warningLabel;
    QPushButton *m_exportButton;
    QPushButton *m_importButton;
};

#endif
