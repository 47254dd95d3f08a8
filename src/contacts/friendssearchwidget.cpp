#include "contacts/friendssearchwidget.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

#include "shell/pdlineedit.h"

FriendsSearchWidget::FriendsSearchWidget(QWidget *parent)
    : QFrame(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    auto *icon = new QLabel;
    icon->setObjectName(QStringLiteral("searchicon"));
    icon->setPixmap(QPixmap(QStringLiteral(":/chat/search.png")));
    layout->addWidget(icon);
    auto *label = new QLabel(tr("Search:"));
    label->setObjectName(QStringLiteral("searchtextlabel"));
    layout->addWidget(label);
    m_lineEdit = new PDLineEdit;
    m_lineEdit->setObjectName(QStringLiteral("lineedit"));
    m_lineEdit->setAccessibleName(tr("Search contacts"));
    layout->addWidget(m_lineEdit);
    connect(m_lineEdit, &QLineEdit::textChanged, this, &FriendsSearchWidget::onTextChanged);

    auto *clear = new QAction(this);
    clear->setShortcut(QKeySequence(tr("Escape", "shortcut")));
    clear->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(clear, &QAction::triggered, m_lineEdit, &QLineEdit::clear);
    addAction(clear);
    auto *focus = new QAction(this);
    focus->setShortcut(QKeySequence(tr("Ctrl+F", "shortcut")));
    focus->setShortcutContext(Qt::WindowShortcut);
    connect(focus, &QAction::triggered, m_lineEdit, [this]() { m_lineEdit->setFocus(Qt::ShortcutFocusReason); });
    addAction(focus);
}

void FriendsSearchWidget::onTextChanged()
{
    const QString text = m_lineEdit->text().trimmed();
    if (text == m_filter)
        return;
    m_filter = text;
    emit filterChanged(m_filter);
}
