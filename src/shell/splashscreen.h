#ifndef SPLASHSCREEN_H
#define SPLASHSCREEN_H

#include <QDialog>

class QLabel;
class QProgressBar;

// The small frameless window shown while the main window is built: the skin's
// splash image, the version at the top right, a thin progress bar (0 to 1000)
// and, with "ui/show-loading-feedback" on, the step that is running.
class SplashScreen : public QDialog
{
    Q_OBJECT
public:
    SplashScreen();

    // The part of the progress range the lists page may spend on its lists.
    static int progressBudget() { return 400; }

    QProgressBar *progressBar() const { return m_progressBar; }
    QLabel *versionLabel() const { return m_versionLabel; }
    QLabel *infoLabel() const { return m_infoLabel; }

public slots:
    void onSetSplashProgress(const QString &info, int value);
    void onSplashProgress(const QString &info, int value);
    void onSplashProgress(const QString &info);
    void onSplashProgress();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setProgress(int value);

    QProgressBar *m_progressBar;
    QLabel *m_imageLabel;
    QLabel *m_versionLabel;
    QLabel *m_infoLabel;
    int m_progress = 0;
    bool m_blueSkin;
};

#endif
