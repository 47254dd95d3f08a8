#ifndef ABOUTUSDIALOG_H
#define ABOUTUSDIALOG_H

#include <QDialog>
#include <QPixmap>

class QLabel;
class ToolButton;

// The about box: a frameless window with a close button and the version in
// its top right corner. It never closes itself: its owner closes and deletes
// it on closeDialog().
class AboutUsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutUsDialog(QWidget *parent = nullptr);

    ToolButton *closeButton() const { return m_closeButton; }
    QLabel *versionLabel() const { return m_versionLabel; }

    // The web sites the two links show and open (host names).
    static QString productSite();
    static QString makerSite();

signals:
    void closeDialog();

protected slots:
    void onCloseButtonPressed();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool m_blueSkin;
    QPixmap m_logo;
    ToolButton *m_closeButton;
    QLabel *m_versionLabel;
};

#endif
