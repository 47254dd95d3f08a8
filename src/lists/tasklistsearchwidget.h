#ifndef TASKLISTSEARCHWIDGET_H
#define TASKLISTSEARCHWIDGET_H

#include <QFrame>

class PDLineEdit;
class ToolButton;

// The search bar floating over a task tree: a text field and a button that
// steps to the next hit and shows by its image whether there are more.
class TaskListSearchWidget : public QFrame
{
    Q_OBJECT
public:
    explicit TaskListSearchWidget(QWidget *parent = nullptr);
    ~TaskListSearchWidget() override;

    void clear();
    void showMoreResultsIcon();
    void showResultsIcon();
    void showNoResultsIcon();
    void hideNextButton();

    PDLineEdit *lineEdit() const { return m_lineEdit; }
    ToolButton *nextButton() const { return m_nextButton; }

signals:
    void searchTextChanged(const QString &text);
    void nextButtonPressed();

public slots:
    void onTextChanged();
    void onNextButtonPressed();

private:
    void addEscapeShortcut();
    void showNextButton(const QString &imageName);

    PDLineEdit *m_lineEdit = nullptr;
    QString m_lastText;
    ToolButton *m_nextButton = nullptr;
};

#endif
