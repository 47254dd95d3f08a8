#include "dialogs/notedialog.h"

#include "core/clock.h"
#include "core/uisettings.h"

#include <QLocale>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

NoteDialog::NoteDialog(TaskNote *note, QWidget *parent)
    : CustomDialog(QString(), false, false, parent)
    , m_contentLayout(new QVBoxLayout)
    , m_note(note)
{
    m_editor = new QTextEdit;
    m_editor->setObjectName(QStringLiteral("textedit"));
    m_editor->setAccessibleName(tr("Note text"));
    m_contentLayout->addWidget(m_editor);
    setContentLayout(m_contentLayout);
    m_editor->setAcceptRichText(false);
    m_editor->setPlainText(note->text());
    m_editor->setTabChangesFocus(true);
    m_editor->setFocus();
    setCenterOnParent(true);
}

void NoteDialog::setupButtons(bool editable)
{
    setTitle(title());
    if (QPushButton *button = addValueButtons(editable, hasValue()))
        connect(button, &QPushButton::clicked, this, &NoteDialog::onDeleteClicked);
}

bool NoteDialog::hasValue() const
{
    return !m_note->isEmpty();
}

QString NoteDialog::title() const
{
    if (m_note->isEmpty())
        return tr("Add note");
    // The time follows the 24-hour setting, like every time of a task.
    const QString pattern = UISettings::instance()->timeFormat24()
        //: QDateTime::toString format
        ? tr("MMM d - hh:mm")
        //: QDateTime::toString format, 12-hour clock
        : tr("MMM d - h:mm ap");
    return QLocale().toString(m_note->addedTime().toLocalTime(), pattern);
}

void NoteDialog::deleteValue()
{
    *m_note = TaskNote();
    QDialog::accept();
}

void NoteDialog::onDeleteClicked()
{
    deleteValue();
}

void NoteDialog::accept()
{
    const QString text = m_editor->toPlainText().trimmed();
    if (text.isEmpty()) {
        *m_note = TaskNote();
    } else {
        if (m_note->addedTime().isNull())
            m_note->setAddedTime(Clock::currentDateTimeUtc());
        m_note->setText(text);
    }
    QDialog::accept();
}
