#include "lists/tasklistsearchwidget.h"

#include "shell/pdlineedit.h"
#include "shell/toolbutton.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPixmap>

TaskListSearchWidget::TaskListSearchWidget(QWidget *parent)
    : QFrame(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);

    auto *icon = new QLabel;
    icon->setPixmap(QPixmap(QStringLiteral(":/chat/search.png")));
    icon->setObjectName(QStringLiteral("searchicon"));
    layout->addWidget(icon);
    auto *label = new QLabel(tr("Search:"));
    label->setObjectName(QStringLiteral("searchtextlabel"));
    layout->addWidget(label);
    m_lineEdit = new PDLineEdit;
    m_lineEdit->setObjectName(QStringLiteral("lineedit"));
    m_lineEdit->setAccessibleName(tr("Search tasks"));
    layout->addWidget(m_lineEdit);
    m_nextButton = new ToolButton(QStringLiteral("search_results"));
    m_nextButton->setObjectName(QStringLiteral("nextSearchButton"));
    m_nextButton->setAccessibleName(tr("Next result"));
    m_nextButton->hide();
    layout->addWidget(m_nextButton);

    connect(m_lineEdit, &QLineEdit::textChanged, this, &TaskListSearchWidget::onTextChanged);
    connect(m_nextButton, &QToolButton::clicked, this, &TaskListSearchWidget::onNextButtonPressed);
    addEscapeShortcut();
}

TaskListSearchWidget::~TaskListSearchWidget() = default;

void TaskListSearchWidget::addEscapeShortcut()
{
    auto *action = new QAction(this);
    action->setShortcut(QKeySequence(tr("Escape", "shortcut")));
    addAction(action);
    connect(action, &QAction::triggered, m_lineEdit, &QLineEdit::clear);
}

void TaskListSearchWidget::onTextChanged()
{
    const QString text = m_lineEdit->text().trimmed();
    if (text == m_lastText)
        return;
    m_lastText = text;
    emit searchTextChanged(text);
}

void TaskListSearchWidget::onNextButtonPressed()
{
    emit nextButtonPressed();
}

void TaskListSearchWidget::clear()
{
    m_lineEdit->setText(QString());
    onTextChanged();
}

void TaskListSearchWidget::showNextButton(const QString &imageName)
{
    m_nextButton->setImage(imageName);
    m_nextButton->show();
}

void TaskListSearchWidget::showMoreResultsIcon()
{
    showNextButton(QStringLiteral("search_moreresults"));
}

void TaskListSearchWidget::showResultsIcon()
{
    showNextButton(QStringLiteral("search_results"));
}

void TaskListSearchWidget::showNoResultsIcon()
{
    showNextButton(QStringLiteral("search_noresults"));
}

void TaskListSearchWidget::hideNextButton()
{
    m_nextButton->hide();
}
