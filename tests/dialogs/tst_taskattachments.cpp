#include "dialogs/attachmentvideolinklabel.h"
#include "dialogs/taskattachmenteditdialog.h"
#include "dialogs/taskattachmentsdialog.h"
#include "dialogs/taskattachmentsselector.h"
#include "dialogstest.h"
#include "model/taskattachmentvideohyperlink.h"
#include "model/taskattachmentwebhyperlink.h"
#include "shell/pdlineedit.h"
#include "testenvironment.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFrame>
#include <QPushButton>
#include <QUrlQuery>

using namespace DialogsTest;

namespace {

// Fills an attachment form the way the user does; "" leaves a field alone.
// `kind` and `size` are combo entries reached with the arrow keys (-1: left
// as it is).
struct Form
{
    int kind = -1;
    QStringList fields; // name, address, description[, thumbnail]
    int size = -1;

    void fill(QWidget *dialog) const
    {
        auto *kinds = dialog->findChild<QComboBox *>(QStringLiteral("attachmentTypeBox"));
        if (kind >= 0 && kinds->currentIndex() != kind)
            QTest::keyClick(kinds, kind ? Qt::Key_Down : Qt::Key_Up);
        const bool video = kinds->currentIndex() == 1;
        auto *frame = dialog->findChild<QFrame *>(video ? QStringLiteral("videoElementsFrame")
                                                        : QStringLiteral("webElementsFrame"));
        const QList<PDLineEdit *> edits = frame->findChildren<PDLineEdit *>();
        for (int i = 0; i < fields.size(); ++i) {
            if (fields.at(i).isEmpty())
                continue;
            edits.at(i)->selectAll();
            QTest::keyClicks(edits.at(i), fields.at(i) == QLatin1String("-") ? QString() : fields.at(i));
            if (fields.at(i) == QLatin1String("-"))
                QTest::keyClick(edits.at(i), Qt::Key_Delete);
        }
        if (size >= 0) {
            auto *sizes = frame->findChild<QComboBox *>(QStringLiteral("videoSizeBox"));
            QTest::keyClick(sizes, Qt::Key_Home);
            for (int i = 0; i < size; ++i)
                QTest::keyClick(sizes, Qt::Key_Down);
        }
    }

    // Fills the form and presses Save; the text of the box it showed, if any.
    QString save(QWidget *dialog) const
    {
        fill(dialog);
        Answer answer(true);
        QPushButton *saveButton = nullptr;
        for (QPushButton *b : dialog->findChildren<QPushButton *>())
            saveButton = b->text() == QLatin1String("Save") ? b : saveButton;
        QTest::mouseClick(saveButton, Qt::LeftButton);
        return answer.text;
    }
};

TaskAttachment *video(const QString &name, const QString &parameters)
{
    auto *a = new TaskAttachmentVideoHyperlink(name, QUrl(QStringLiteral("http://videos.example/clip.flv")));
    a->setAdditionalData(parameters);
    return a;
}

QString queryText(const QString &address)
{
    QStringList items;
    for (const auto &item : QUrlQuery(QUrl(address)).queryItems(QUrl::FullyDecoded))
        items << item.first + QLatin1Char('=') + item.second;
    return items.join(QLatin1Char('|'));
}

} // namespace

class TstTaskAttachments : public QObject
{
    Q_OBJECT
public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private:
    QList<QUrl> m_opened;

private slots:
    void initTestCase()
    {
        for (const char *scheme : {"http", "https", "ftp", "mailto", "file", "smb", "javascript"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "openUrl");
    }

    void cleanupTestCase()
    {
        for (const char *scheme : {"http", "https", "ftp", "mailto", "file", "smb", "javascript"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }

    void validation_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("message");
        const QString url = QStringLiteral("http://example.org/a");
        QTest::newRow("web, no name") << 0 << QStringList{"", url} << "Link Name field can not be empty.";
        QTest::newRow("web, no address") << 0 << QStringList{"Docs"} << "Link Url field can not be empty.";
        QTest::newRow("web, bad address") << 0 << QStringList{"Docs", "http://exa mple.org"} << "The given Url is not valid.";
        QTest::newRow("web") << 0 << QStringList{"Docs", url} << "";
        QTest::newRow("video, no name") << 1 << QStringList{"", url} << "Video Name field can not be empty.";
        QTest::newRow("video, no address") << 1 << QStringList{"Clip"} << "Video Url field can not be empty.";
        QTest::newRow("video, bad address") << 1 << QStringList{"Clip", "ht tp://x"} << "The given Url is not valid.";
        QTest::newRow("video, ';' in thumbnail") << 1 << QStringList{"Clip", url, "", "a;b.jpg"}
                                                  << "Video Thumbnail field can not contain \";\".";
        QTest::newRow("video") << 1 << QStringList{"Clip", url, "", "t.jpg"} << "";
    }

    void validation()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, fields);
        QFETCH(QString, message);
        TaskAttachmentEditDialog form;
        form.show();
        const Form filled{kind, fields};
        QCOMPARE(filled.save(&form), message);
        QCOMPARE(form.result(), message.isEmpty() ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(form.isVisible(), !message.isEmpty());
    }

    void created_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("thumbnail");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("parameters");
        QTest::newRow("web link") << 0 << -1 << "" << 2 << QString();
        QTest::newRow("video, default size") << 1 << 0 << "" << 1 << QString();
        QTest::newRow("video, sized") << 1 << 4 << "t.jpg" << 1 << "width;640;height;480;thumbnail;t.jpg";
        QTest::newRow("video, thumbnail only") << 1 << 0 << "t.jpg" << 1 << "thumbnail;t.jpg";
        QTest::newRow("video, largest") << 1 << 7 << "" << 1 << "width;1920;height;1080";
    }

    void created()
    {
        QFETCH(int, kind);
        QFETCH(int, size);
        QFETCH(QString, thumbnail);
        QFETCH(int, type);
        QFETCH(QString, parameters);
        TaskAttachmentEditDialog form;
        form.show();
        const Form filled{kind, {"Clip", "http://videos.example/c", "About", thumbnail}, size};
        QCOMPARE(filled.save(&form), QString());
        std::unique_ptr<TaskAttachment> made(form.createAttachment());
        QCOMPARE(int(made->type()), type);
        QCOMPARE(made->name(), QStringLiteral("Clip"));
        QCOMPARE(made->url(), QUrl(QStringLiteral("http://videos.example/c")));
        QCOMPARE(made->description(), QStringLiteral("About"));
        QCOMPARE(made->additionalData(), parameters);
        QCOMPARE(made->additionalData().isNull(), parameters.isNull());
    }

    void kindSwitchKeepsBoth()
    {
        TaskAttachmentEditDialog form;
        form.show();
        Form{0, {"Docs", "http://example.org/docs"}}.fill(&form);
        Form{1, {"Clip"}}.fill(&form);
        Form{0, {}}.fill(&form);
        // Only the kind shown is checked and made.
        QCOMPARE(Form{}.save(&form), QString());
        std::unique_ptr<TaskAttachment> made(form.createAttachment());
        QCOMPARE(made->type(), TaskAttachment::WebHyperlink);
        QCOMPARE(made->name(), QStringLiteral("Docs"));
        auto *videoName = form.findChild<QFrame *>(QStringLiteral("videoElementsFrame"))->findChild<PDLineEdit *>();
        QCOMPARE(videoName->text(), QStringLiteral("Clip"));
    }

    void editedVideoKeepsItsSize_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("pick");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("saved");
        QTest::newRow("size of the table") << "width;720;height;480" << -1 << "720x480" << "width;720;height;480";
        QTest::newRow("size not in the table") << "width;123;height;45;thumbnail;t.jpg" << -1 << "default"
                                               << "width;123;height;45;thumbnail;t.jpg";
        QTest::newRow("width in the table, height not") << "width;720;height;400" << -1 << "720x480"
                                                        << "width;720;height;400";
        QTest::newRow("another size picked") << "width;123;height;45" << 4 << "default" << "width;640;height;480";
        QTest::newRow("default picked") << "width;640;height;480" << 0 << "640x480" << QString();
        QTest::newRow("none stored") << QString() << -1 << "default" << QString();
    }

    void editedVideoKeepsItsSize()
    {
        QFETCH(QString, stored);
        QFETCH(int, pick);
        QFETCH(QString, shown);
        QFETCH(QString, saved);
        std::unique_ptr<TaskAttachment> clip(video(QStringLiteral("Clip"), stored));
        TaskAttachmentEditDialog form(clip.get());
        form.show();
        QVERIFY(!form.findChild<QComboBox *>(QStringLiteral("attachmentTypeBox"))->isEnabled());
        QVERIFY(!form.findChild<QFrame *>(QStringLiteral("webElementsFrame")));
        QCOMPARE(form.findChild<QComboBox *>(QStringLiteral("videoSizeBox"))->currentText(), shown);
        const Form filled{-1, {"Renamed"}, pick};
        QCOMPARE(filled.save(&form), QString());
        form.updateAttachment(clip.get());
        QCOMPARE(clip->name(), QStringLiteral("Renamed"));
        QCOMPARE(clip->additionalData(), saved);
    }

    void editedWebLink()
    {
        TaskAttachmentWebHyperlink link(QStringLiteral("Docs"), QUrl(QStringLiteral("http://example.org/d")));
        TaskAttachmentEditDialog form(&link);
        form.show();
        const Form filled{-1, {"", "http://example.org/e", "-"}};
        QCOMPARE(filled.save(&form), QString());
        form.updateAttachment(&link);
        QCOMPARE(link.url(), QUrl(QStringLiteral("http://example.org/e")));
        QCOMPARE(link.description(), QString(QLatin1String(""))); // written even when empty
        QVERIFY(link.hasDescription());
    }

    // ---- the attachments dialog

    void noTaskNoButtons()
    {
        ListsPage page;
        ListModel *list = page.addList(QStringLiteral("Groceries"));
        TaskAttachmentsDialog dialog;
        dialog.show();
        for (QPushButton *b : {dialog.addButton(), dialog.editButton(), dialog.deleteButton()})
            QVERIFY(!b->isEnabled());
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QVERIFY(!QApplication::activeModalWidget());
        dialog.selectedTaskChanged(list->taskForIndex(list->index(0, 0)), list);
        QVERIFY(dialog.addButton()->isEnabled());
        QTest::ignoreMessage(QtWarningMsg, "Trying to update task attachments info dialog, but the task reference or the list model are null");
        dialog.selectedTaskChanged(nullptr, list);
        QVERIFY(!dialog.addButton()->isEnabled());
    }

    void addEditDelete()
    {
        ListsPage page;
        ListModel *list = page.addList(QStringLiteral("Groceries"));
        Task *task = list->taskForIndex(list->index(0, 0));
        task->addAttachment(new TaskAttachment(QStringLiteral("generic"), QUrl())); // shown nowhere
        list->clearChanged();
        TaskAttachmentsDialog dialog;
        dialog.show();
        dialog.selectedTaskChanged(task, list);
        QCOMPARE(dialog.selector()->count(), 0);

        DialogDriver::whenModal([](QWidget *form) { Form{1, {"Clip", "http://videos.example/c"}, 2}.save(form); });
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QCOMPARE(task->attachments().size(), 2);
        QCOMPARE(task->attachments().last()->additionalData(), QStringLiteral("width;480;height;360"));
        QCOMPARE(dialog.selector()->count(), 1);
        QVERIFY(list->isChanged());

        // Saved as it was: the list has nothing new to upload.
        list->clearChanged();
        list->taskList()->setSyncStatus(TaskList::Unedited);
        dialog.selector()->setCurrentRow(0);
        DialogDriver::whenModal([](QWidget *form) { Form{}.save(form); });
        QTest::mouseClick(dialog.editButton(), Qt::LeftButton);
        QVERIFY(!list->isChanged());
        QCOMPARE(list->taskList()->syncStatus(), TaskList::Unedited);

        DialogDriver::whenModal([](QWidget *form) { Form{-1, {"Concert"}}.save(form); });
        QTest::mouseClick(dialog.editButton(), Qt::LeftButton);
        QCOMPARE(dialog.selector()->item(0)->text(), QStringLiteral("Concert"));
        QCOMPARE(task->attachments().last()->name(), QStringLiteral("Concert"));

        {
            Answer no(false);
            QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
            QCOMPARE(no.text, QStringLiteral("Delete Attachment \"Concert\"\nAre you sure?"));
        }
        QCOMPARE(task->attachments().size(), 2);
        Answer yes(true);
        QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
        QCOMPARE(task->attachments().size(), 1);
        QCOMPARE(dialog.selector()->count(), 0);
    }

    // A link from someone else's list reaches the desktop only when it is a
    // web address.
    void onlyWebLinksOpen_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("opened");
        QTest::newRow("http") << "http://example.org/a" << true;
        QTest::newRow("https") << "https://example.org/a?b=c" << true;
        QTest::newRow("ftp") << "ftp://files.example.org/a.txt" << true;
        QTest::newRow("mailto") << "mailto:ann@example.org" << true;
        QTest::newRow("upper case") << "HTTPS://example.org/" << true;
        QTest::newRow("local file") << "file:///usr/bin/xterm" << false;
        QTest::newRow("share") << "smb://server/share/run.exe" << false;
        QTest::newRow("script") << "javascript:alert(1)" << false;
    }

    void onlyWebLinksOpen()
    {
        QFETCH(QString, link);
        QFETCH(bool, opened);
        ListsPage page;
        page.build(QStringLiteral("Theirs:rw"));
        ListModel *list = page.list(QStringLiteral("Theirs"));
        Task *task = list->taskForIndex(list->index(0, 0));
        task->addAttachment(new TaskAttachmentWebHyperlink(QStringLiteral("Link"), QUrl(link)));
        TaskAttachmentsDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.selectedTaskChanged(task, list);
        m_opened.clear();
        if (!opened)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Attachment link not opened")));
        const QPoint at = dialog.selector()->visualItemRect(dialog.selector()->item(0)).center();
        QTest::mouseClick(dialog.selector()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(dialog.selector()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(m_opened.size(), opened ? 1 : 0);
    }

    void readOnlyListStillOpens()
    {
        ListsPage page;
        page.build(QStringLiteral("Theirs:r"));
        ListModel *list = page.list(QStringLiteral("Theirs"));
        Task *task = list->taskForIndex(list->index(0, 0));
        task->addAttachment(new TaskAttachmentWebHyperlink(QStringLiteral("Docs"), QUrl(QStringLiteral("http://example.org/d"))));
        task->addAttachment(video(QStringLiteral("Clip"), QString()));
        TaskAttachmentsDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.selectedTaskChanged(task, list);
        QCOMPARE(dialog.selector()->count(), 2);
        QVERIFY(!dialog.addButton()->isEnabled() && !dialog.editButton()->isEnabled() && !dialog.deleteButton()->isEnabled());
        QList<TaskAttachment *> played;
        connect(&dialog, &TaskAttachmentsDialog::playVideoRequested, this, [&](TaskAttachment *a) { played << a; });
        m_opened.clear();
        for (int i = 0; i < 2; ++i) {
            const QPoint at = dialog.selector()->visualItemRect(dialog.selector()->item(i)).center();
            QTest::mouseClick(dialog.selector()->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(dialog.selector()->viewport(), Qt::LeftButton, {}, at);
        }
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("http://example.org/d"))});
        QCOMPARE(played, QList<TaskAttachment *>{task->attachments().last()});
    }

    void taskGoneWithUndo()
    {
        // Undo replaces the list's tasks: the dialog must let go of the old one.
        ListsPage page;
        ListModel *list = page.addList(QStringLiteral("Groceries"));
        list->saveUndoState();
        list->setTaskTitle(list->taskForIndex(list->index(0, 0)), QStringLiteral("Plums"));
        Task *task = list->taskForIndex(list->index(0, 0));
        task->addAttachment(video(QStringLiteral("Clip"), QString()));
        TaskAttachmentsDialog dialog;
        dialog.show();
        dialog.selectedTaskChanged(task, list);
        QCOMPARE(dialog.selector()->count(), 1);
        list->undo();
        QCOMPARE(dialog.task(), nullptr);
        QCOMPARE(dialog.selector()->count(), 0);
        QVERIFY(!dialog.addButton()->isEnabled());
        // The same while the dialog asks about deleting.
        Task *again = list->taskForIndex(list->index(0, 0));
        again->addAttachment(video(QStringLiteral("Clip"), QString()));
        dialog.selectedTaskChanged(again, list);
        dialog.selector()->setCurrentRow(0);
        list->saveUndoState();
        list->setTaskTitle(again, QStringLiteral("Plums and pears"));
        DialogDriver::whenModal([list](QWidget *box) {
            list->undo();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
        QCOMPARE(dialog.task(), nullptr);
        QCOMPARE(list->taskForIndex(list->index(0, 0))->attachments().size(), 1);
        // A reset that keeps the task keeps it.
        Task *current = list->taskForIndex(list->index(0, 0));
        dialog.selectedTaskChanged(current, list);
        list->markEditedAndReset();
        QCOMPARE(dialog.task(), current);
    }

    // The panel is closed (and deleted) while its add or edit form is open:
    // the form goes with it and nothing is added.
    void panelClosedUnderTheForm_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::newRow("add") << false;
        QTest::newRow("edit") << true;
    }
    void panelClosedUnderTheForm()
    {
        QFETCH(bool, edit);
        ListsPage page;
        ListModel *list = page.addList(QStringLiteral("Groceries"));
        Task *task = list->taskForIndex(list->index(0, 0));
        task->addAttachment(video(QStringLiteral("Clip"), QString()));
        const QPointer<TaskAttachmentsDialog> dialog = new TaskAttachmentsDialog;
        dialog->show();
        dialog->selectedTaskChanged(task, list);
        dialog->selector()->setCurrentRow(0);
        bool asked = false;
        DialogDriver::whenModal([&](QWidget *) {
            asked = true;
            dialog->deleteLater();
            QVERIFY(QTest::qWaitFor([&] { return dialog.isNull(); }, 2000));
        });
        QTest::mouseClick(edit ? dialog->editButton() : dialog->addButton(), Qt::LeftButton);
        QVERIFY(asked);
        QVERIFY(!dialog);
        QCOMPARE(task->attachments().size(), 1);
        QCOMPARE(task->attachments().first()->name(), QStringLiteral("Clip"));
    }

    // ---- the player's address

    void playerUrl_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("query");
        QTest::newRow("sized") << "http://v.example/c.flv" << "640" << "480" << ""
                               << "file=http://v.example/c.flv|mediawidth=640|mediaheight=480";
        QTest::newRow("width without height") << "http://v.example/c.flv" << "640" << "" << ""
                                              << "file=http://v.example/c.flv";
        QTest::newRow("hostile file") << "http://v/a.flv?x=1&image=evil#t+1" << "" << "" << "i&mediawidth=9.png"
                                      << "file=http://v/a.flv?x=1&image=evil#t+1|image=i&mediawidth=9.png";
    }

    void playerUrl()
    {
        QFETCH(QString, file);
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QString, image);
        QFETCH(QString, query);
        const QString address = AttachmentVideoLinkLabel::playerUrl(file, width, height, image);
        QVERIFY(address.startsWith(QLatin1String("http://")));
        QCOMPARE(QUrl(address).path(), QStringLiteral("/player/index.php"));
        QCOMPARE(queryText(address), query);
    }

    void playerUrlForVideo_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QString>("query");
        const QString file = QStringLiteral("file=http://videos.example/clip.flv");
        QTest::newRow("sized") << "width;640;height;480;thumbnail;t.png" << QSize(640, 480)
                               << file + "|mediawidth=640|mediaheight=480|image=t.png";
        QTest::newRow("no size") << "thumbnail;t.png" << QSize(400, 300) << file + "|image=t.png";
        QTest::newRow("size not a number") << "width;abc;height;5" << QSize(400, 300) << file;
        QTest::newRow("smallest size") << "width;1;height;1" << QSize(1, 1) << file + "|mediawidth=1|mediaheight=1";
        QTest::newRow("nothing") << QString() << QSize(400, 300) << file;
    }

    void playerUrlForVideo()
    {
        QFETCH(QString, stored);
        QFETCH(QSize, window);
        QFETCH(QString, query);
        std::unique_ptr<TaskAttachment> clip(video(QStringLiteral("Clip"), stored));
        QSize size;
        QCOMPARE(queryText(AttachmentVideoLinkLabel::playerUrl(clip.get(), &size)), query);
        QCOMPARE(size, window);
    }
};

PLUMDECK_TEST_MAIN(TstTaskAttachments)
#include "tst_taskattachments.moc"
