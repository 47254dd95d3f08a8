#include "shell/settingcheckbox.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>

SettingCheckBox::SettingCheckBox(const QString &key, bool defaultValue, const QString &text, QWidget *parent)
    : QWidget(parent)
    , m_key(key)
    , m_checkBox(new QCheckBox)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // As large as box and text need: the pages' rows do not stretch it.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_checkBox->setObjectName(QStringLiteral("settingsCheckBox"));
    // The text is a label of its own: the box takes it as its name.
    m_checkBox->setAccessibleName(text);
    layout->addWidget(m_checkBox);
    auto *label = new QLabel(text);
    label->setObjectName(QStringLiteral("settingsCheckBoxLabel"));
    layout->addWidget(label);

    m_checkBox->setChecked(QSettings().value(m_key, defaultValue).toBool());
    connect(m_checkBox, &QCheckBox::toggled, this, &SettingCheckBox::toggled);
}

void SettingCheckBox::save()
{
    QSettings().setValue(m_key, m_checkBox->isChecked());
}

void SettingCheckBox::setEnabled(bool enabled)
{
    m_checkBox->setEnabled(enabled);
}

void SettingCheckBox::setChecked(bool checked)
{
    m_checkBox->setChecked(checked);
}

bool SettingCheckBox::isChecked() const
{
    return m_checkBox->isChecked();
}
