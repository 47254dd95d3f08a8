#include "shell/messagedialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>

MessageDialog::MessageDialog(const QString &title, const QString &text, bool withCancel, QWidget *parent)
    : CustomDialog(title, true, withCancel, true, parent)
{
    auto *layout = new QVBoxLayout;
    layout->setSpacing(0);
    auto *label = new QLabel(text);
    label->setObjectName(QStringLiteral("textlabel"));
    // Texts carry names the user typed; they are shown as typed, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    layout->addWidget(label);
    setContentLayout(layout);
    setCenterOnParent(true);
}

// On the heap: a parent deleted while the dialog runs deletes it too.
bool MessageDialog::question(const QString &title, const QString &text, QWidget *parent)
{
    QPointer<MessageDialog> dialog = new MessageDialog(title, text, true, parent);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    delete dialog.data();
    return accepted;
}

bool MessageDialog::questionDefaultingToCancel(const QString &title, const QString &text, QWidget *parent)
{
    QPointer<MessageDialog> dialog = new MessageDialog(title, text, true, parent);
    dialog->makeCancelTheDefault();
    const bool accepted = dialog->exec() == QDialog::Accepted;
    delete dialog.data();
    return accepted;
}

void MessageDialog::makeCancelTheDefault()
{
    if (!cancelButton())
        return;
    if (okButton())
        okButton()->setDefault(false);
    cancelButton()->setDefault(true);
    cancelButton()->setFocus();
    // The skins set the default button's label in bold, which its laid out
    // width does not allow for: a label longer than "Cancel" would be cut.
    // Room for the skins' padding and border beside it.
    cancelButton()->ensurePolished();
    QFont bold = cancelButton()->font();
    bold.setBold(true);
    cancelButton()->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(cancelButton()->text()) + 24);
}

void MessageDialog::information(const QString &title, const QString &text, QWidget *parent)
{
    QPointer<MessageDialog> dialog = new MessageDialog(title, text, false, parent);
    dialog->exec();
    delete dialog.data();
}

void MessageDialog::tellLater(QObject *context, const QString &title, const QString &text,
                              const std::function<QWidget *()> &parent)
{
    QTimer::singleShot(0, context, [title, text, parent] {
        auto *dialog = new MessageDialog(title, text, false, parent());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        // It comes when nobody asked: the keys being typed stay where they
        // go until the user turns to it.
        dialog->setAttribute(Qt::WA_ShowWithoutActivating);
        dialog->show();
        dialog->raise();
    });
}

QString MessageDialog::unreadItems(const UnreadRecords &records,
                                   const std::function<QString(const UnreadRecord &)> &unnamed)
{
    constexpr int shown = 10;
    QStringList items;
    for (const UnreadRecord &record : records) {
        if (items.size() == shown)
            break;
        items << (record.name.trimmed().isEmpty() ? unnamed(record) : QLatin1Char('"') + record.name + QLatin1Char('"'));
    }
    if (records.size() > shown)
        items << tr("and %n more", nullptr, int(records.size() - shown));
    return items.join(QStringLiteral(", "));
}
