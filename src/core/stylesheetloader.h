#ifndef STYLESHEETLOADER_H
#define STYLESHEETLOADER_H

#include <QObject>
#include <QString>

// Development aid (-stylesheetloader): sets the application's style sheet
// from a file on disk and reads it again whenever F5 is pressed anywhere.
// F5 is taken for this, so the synchronise shortcut does not reach the
// windows while the loader runs.
class StyleSheetLoader : public QObject
{
    Q_OBJECT

public:
    explicit StyleSheetLoader(const QString &path);

    QString path() const { return m_path; }
    void reload();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_path;
};

#endif
