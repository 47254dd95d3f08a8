#ifndef SETTINGCHECKBOX_H
#define SETTINGCHECKBOX_H

#include <QString>
#include <QWidget>

class QCheckBox;

// One boolean preference: a check box and its text, bound to a settings-store
// key. Read once when built, written only by save().
class SettingCheckBox : public QWidget
{
    Q_OBJECT
public:
    SettingCheckBox(const QString &key, bool defaultValue, const QString &text, QWidget *parent = nullptr);

    // Writes the shown state under the key, changed or not.
    void save();
    // Greys the box only; the text keeps its look.
    void setEnabled(bool enabled);
    void setChecked(bool checked);
    bool isChecked() const;

    QString key() const { return m_key; }
    QCheckBox *checkBox() const { return m_checkBox; }

signals:
    void toggled(bool checked);

private:
    QString m_key;
    QCheckBox *m_checkBox;
};

#endif
