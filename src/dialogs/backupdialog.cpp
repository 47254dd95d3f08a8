#include "dialogs/backupdialog.h"

#include "core/clock.h"
#include "core/paths.h"
#include "core/serversettings.h"
#include "core/uisettings.h"
#include "model/documentfile.h"
#include "model/listsgroups.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "model/userlists.h"
#include "shell/messagedialog.h"
#include "sync/runs/restoredlists.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

// The lists reader takes any document of the program and finds no list in
// one of another kind (notes, groups): restoring that would empty every
// list. Only a lists document, as a backup is written, is restored.
bool isListsDocument(QIODevice *device)
{
    QXmlStreamReader reader(device);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("html"))
        return false;
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("head"))
        return false;
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("title")) {
            const bool lists = reader.readElementText() == QLatin1String("pd-local-lists");
            device->seek(0);
            return lists;
        }
        reader.skipCurrentElement();
    }
    return false;
}

// A lists document, as the program writes its own lists file, recording
// the account its ids belong to: imported under another, they name nothing.
bool saveListsDocument(UserLists *lists, const QString &path, QString *error)
{
    const QString account = lists->account();
    lists->setAccount(ServerSettings::instance()->account());
    const bool saved = DocumentFile::save(
        path,
        [lists](QIODevice *device, QString *message) {
            TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
            if (writer.saveLists(lists, device))
                return true;
            *message = writer.errorString();
            return false;
        },
        error);
    lists->setAccount(account);
    return saved;
}

// Where the lists an import replaces are kept: beside the lists file, under
// a name no earlier import took.
QString keptAsidePath()
{
    const QDir dir = userDataDir();
    const QString stamp = Clock::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString path = dir.filePath(QStringLiteral("lists-before-import-%1.xhtml").arg(stamp));
    for (int n = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
        path = dir.filePath(QStringLiteral("lists-before-import-%1-%2.xhtml").arg(stamp).arg(n));
    return path;
}

} // namespace

BackupDialog::BackupDialog(UserLists *lists, ListsGroups *groups, QWidget *parent)
    : CustomDialog(tr("Backup"), false, true, parent)
    , m_userLists(lists)
    , m_listsGroups(groups)
{
    resize(300, 300);
    setObjectName(QStringLiteral("backupDialog"));
    setTitleIcon(QStringLiteral(":/list_backup.png"));

    auto *content = new QVBoxLayout;
    m_exportButton = addSection(content, tr("Export to file"),
                                tr("Export all your lists to a text file for safe keeping"),
                                QStringLiteral(" Export"), QStringLiteral(":/list_backup_tofile.png"));
    m_importButton = addSection(content, tr("Import from file"),
                                tr("Moving systems? Import your lists into plumdeck!"),
                                QStringLiteral(" Import"), QStringLiteral(":/list_backup_fromfile.png"));
    m_infoLabel = new QLabel;
    m_infoLabel->setObjectName(QStringLiteral("infoLabel"));
    m_warningLabel = new QLabel;
    m_warningLabel->setObjectName(QStringLiteral("warningLabel"));
    for (QLabel *label : {m_infoLabel, m_warningLabel}) {
        label->setWordWrap(true);
        label->hide();
        content->addWidget(label);
    }
    content->addStretch();
    setContentLayout(content);

    connect(m_exportButton, &QPushButton::clicked, this, &BackupDialog::onExportToFilePressed);
    connect(m_importButton, &QPushButton::clicked, this, &BackupDialog::onImportFromFilePressed);
}

QPushButton *BackupDialog::addSection(QLayout *content, const QString &title, const QString &text,
                                      const QString &buttonText, const QString &icon)
{
    QVBoxLayout *section = createSection(content, title);
    auto *label = new QLabel(text);
    label->setObjectName(QStringLiteral("standarLabel"));
    label->setWordWrap(true);
    section->addWidget(label);
    auto *button = new QPushButton(QIcon(icon), buttonText);
    button->setObjectName(QStringLiteral("goButton"));
    section->addWidget(button, 0, Qt::AlignHCenter);
    return button;
}

void BackupDialog::showInfo(const QString &text)
{
    showReport(m_infoLabel, m_warningLabel, text);
}

void BackupDialog::showWarning(const QString &text)
{
    showReport(m_warningLabel, m_infoLabel, text);
}

void BackupDialog::showReport(QLabel *shown, QLabel *hidden, const QString &text)
{
    shown->setText(text);
    hidden->hide();
    shown->show();
    // Room for the report below the wrapped texts.
    const int needed = layout()->totalHeightForWidth(width());
    if (needed > height())
        resize(width(), needed);
    // Shown before the long work starts.
    update();
    repaint();
}

QString BackupDialog::chooseFile(bool forSaving)
{
    QString start = UISettings::instance()->defaultImportExportDir();
    if (start.isEmpty())
        start = documentsDir().absolutePath();
    QWidget *parent = parentWidget() ? parentWidget() : this;
    const QString filter = tr("XHTML files (*.xhtml)");
    const QString path = forSaving ? QFileDialog::getSaveFileName(parent, tr("Backup to file"), start, filter)
                                   : QFileDialog::getOpenFileName(parent, tr("Backup from file"), start, filter);
    if (!path.isEmpty())
        UISettings::instance()->setDefaultImportExportDir(QFileInfo(path).absolutePath());
    return path;
}

void BackupDialog::onExportToFilePressed()
{
    const QString path = chooseFile(true);
    if (path.isEmpty())
        return;
    showInfo(tr("Backup in progress..."));
    // What an export to this file cut short in an earlier run left beside it.
    DocumentFile::removeSaveLeftovers(path);
    if (m_userLists)
        RestoredLists::keyLists(m_userLists);
    QString error;
    const bool written = m_userLists && saveListsDocument(m_userLists, path, &error);
    if (!written) {
        qWarning().noquote() << "backup not written:" << error;
        showWarning(tr("Error: Impossible to write backup file."));
        return;
    }
    showInfo(tr("Backup completed."));
}

void BackupDialog::onImportFromFilePressed()
{
    const QString path = chooseFile(false);
    if (path.isEmpty())
        return;
    showInfo(tr("Reading backup file..."));
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
        showWarning(tr("Error: Imposible to read backup file."));
        return;
    }
    // Read from the device: a file that fails is the user's, left untouched.
    UserLists *lists = isListsDocument(&file) ? UserLists::load(&file) : nullptr;
    if (!lists) {
        showWarning(tr("Error: The selected file is corrupted."));
        return;
    }
    // What tells this backup from others, for its lists that no key tells.
    file.seek(0);
    const QByteArray backupDigest = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
    const bool idsHold = lists->account().isEmpty() ? askWhetherOwnBackup(lists)
                                                    : ServerSettings::instance()->isCurrentAccount(lists->account());
    showInfo(tr("Loading lists from file..."));
    // The lists replaced, never synchronised ones too, stay within reach:
    // an import of that file brings them back.
    QString keptAside;
    if (m_userLists) {
        keptAside = keptAsidePath();
        QString error;
        if (!saveListsDocument(m_userLists, keptAside, &error)) {
            qWarning().noquote() << "lists before the import not kept:" << error;
            delete lists;
            showWarning(tr("Error: Impossible to keep your current lists in \"%1\". Nothing was imported.")
                            .arg(QDir::toNativeSeparators(keptAside)));
            return;
        }
    }
    lists->setAccount(QString());
    const QStringList repeated = RestoredLists::dropRepeatedTaskIds(lists);
    const RestoredLists::Imported imported = RestoredLists::prepare(lists, m_userLists, idsHold, backupDigest);
    lists->ensureNotEmpty();
    m_userLists = lists;
    emit listsRestored(lists);
    enterIntoDefaultGroup(lists);
    QStringList report{keptAside.isEmpty() ? tr("Backup completed.")
                                           : tr("Backup completed. Your lists as they were before are kept in \"%1\".")
                                                 .arg(QDir::toNativeSeparators(keptAside))};
    const auto add = [&](const QString &text, const QStringList &names) {
        if (!names.isEmpty())
            report << text.arg(names.join(QLatin1Char('\n')));
    };
    add(tr("These lists had never been synchronised when the backup was made; they are added as new lists:\n%1"),
        imported.neverSynchronised);
    add(tr("The backup was made for another account or server; its lists are added as new lists, shared with "
           "nobody:\n%1"),
        imported.otherAccount);
    add(tr("These lists held tasks that had never been synchronised when the backup was made, or that this "
           "computer does not know; they are added to them as new tasks:\n%1"),
        imported.newTasks);
    add(tr("These tasks of the backup had been moved to another list since it was made; they stay in the list "
           "they are in now:\n%1"),
        imported.movedSince);
    add(tr("These lists of the backup became lists of their own here since (synchronised for the first time, or "
           "brought back by an earlier import); nothing in the backup tells their tasks apart, so they stay as they "
           "are here:\n%1"),
        imported.keptHere);
    if (!repeated.isEmpty())
        report << repeatedTaskIdsText(repeated);
    showInfo(report.join(QStringLiteral("\n\n")));
}

QString BackupDialog::repeatedTaskIdsText(const QStringList &lists)
{
    return tr("In these lists the backup holds a task twice under one id (the file was edited by hand?); the second "
              "copy is added as a new task:\n%1")
        .arg(lists.join(QLatin1Char('\n')));
}

MessageDialog *BackupDialog::newOwnBackupQuestion(QWidget *parent)
{
    const ServerSettings *settings = ServerSettings::instance();
    auto *question = new MessageDialog(
        tr("Backup"),
        tr("This backup does not say which account it was made for: an earlier version of Plumdeck wrote it.\n\n"
           "Was it made for this account (\"%1\" on %2)? Then its lists are restored over your lists of the same "
           "ids on the server.\n\n"
           "If it was made for another account or server, or you are not sure, its lists are added as new lists, "
           "and none of your lists on the server changes.")
            .arg(settings->userName(), settings->serverUrl()),
        true, parent);
    question->setOkButtonText(tr("Restore over my lists"));
    question->cancelButton()->setText(tr("Add as new lists"));
    // Taken for another's, a backup writes over nothing: a Return typed on
    // the way does that.
    question->makeCancelTheDefault();
    return question;
}

// Nothing in such a file says whose its ids are. Only a list the server had
// makes the answer matter.
bool BackupDialog::askWhetherOwnBackup(const UserLists *lists)
{
    const QList<TaskList *> read = lists->taskLists();
    if (std::none_of(read.begin(), read.end(), [](const TaskList *list) { return list->syncStatus() != TaskList::New; }))
        return true;
    QPointer<MessageDialog> question = newOwnBackupQuestion(this);
    const bool own = question->exec() == QDialog::Accepted;
    delete question.data();
    return own;
}

// Replacing the lists takes the old ones out of the groups but puts the new
// ones nowhere; without this the list manager would show none of them. A
// list the server knows goes back where the groups had it.
void BackupDialog::enterIntoDefaultGroup(UserLists *lists)
{
    if (!m_listsGroups)
        return;
    bool added = false;
    const QList<TaskList *> live = lists->taskLists();
    for (const TaskList *list : live) {
        if (m_listsGroups->containsList(list))
            continue;
        m_listsGroups->addListToDefaultGroup(list);
        if (list->syncStatus() != TaskList::New)
            m_listsGroups->placeAsAgreed(list);
        added = true;
    }
    if (added)
        emit listsGroupsChanged();
}
