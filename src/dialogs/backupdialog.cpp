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

// The account whose server ids the lists hold: the server and the user the
// settings name.
QString currentAccount()
{
    const ServerSettings *settings = ServerSettings::instance();
    return settings->userName() + QLatin1Char('@') + settings->serverUrl();
}

// A lists document, as the program writes its own lists file, recording
// the account its ids belong to: imported under another, they name nothing.
bool saveListsDocument(UserLists *lists, const QString &path, QString *error)
{
    const QString account = lists->account();
    lists->setAccount(currentAccount());
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
    const bool idsHold = lists->account().isEmpty() || lists->account() == currentAccount();
    lists->setAccount(QString());
    const RestoredLists::Imported imported = RestoredLists::prepare(lists, m_userLists, idsHold, backupDigest);
    lists->ensureNotEmpty();
    m_userLists = lists;
    emit listsRestored(lists);
    enterIntoDefaultGroup(lists);
    QStringList report{keptAside.isEmpty() ? tr("Backup completed.")
                                           : tr("Backup completed. Your lists as they were before are kept in \"%1\".")
                                                 .arg(QDir::toNativeSeparators(keptAside))};
    if (!imported.neverSynchronised.isEmpty())
        report << tr("These lists had never been synchronised when the backup was made; they are added as new "
                     "lists:\n%1")
                      .arg(imported.neverSynchronised.join(QLatin1Char('\n')));
    if (!imported.otherAccount.isEmpty())
        report << tr("The backup was made for another account or server; its lists are added as new lists:\n%1")
                      .arg(imported.otherAccount.join(QLatin1Char('\n')));
    if (!imported.newTasks.isEmpty())
        report << tr("These lists held tasks that had never been synchronised when the backup was made, or that "
                     "this computer does not know; they are added to them as new tasks:\n%1")
                      .arg(imported.newTasks.join(QLatin1Char('\n')));
    if (!imported.movedSince.isEmpty())
        report << tr("These tasks of the backup had been moved to another list since it was made; they stay in "
                     "the list they are in now:\n%1")
                      .arg(imported.movedSince.join(QLatin1Char('\n')));
    if (!imported.keptHere.isEmpty())
        report << tr("These lists of the backup became lists of their own here since (synchronised for the first "
                     "time, or brought back by an earlier import); nothing in the backup tells their tasks apart, "
                     "so they stay as they are here:\n%1")
                      .arg(imported.keptHere.join(QLatin1Char('\n')));
    showInfo(report.join(QStringLiteral("\n\n")));
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
