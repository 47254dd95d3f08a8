#include "lists/sharelistdialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QLabel *namedLabel(const QString &text, const QString &name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

ShareListDialog::ShareListDialog(const QString &friendName, QWidget *parent)
    : CustomDialog(friendName, false, false, parent)
    , m_friendName(friendName)
{
    setTitleIcon(QStringLiteral(":/listshare_free_OK.png"));
    setCenterOnParent(true);

    auto *content = new QVBoxLayout;
    content->setSpacing(5);
    QLabel *text = namedLabel(tr("Select permissions with which to share the list"), QStringLiteral("textlabel"), this);
    text->setWordWrap(true);
    content->addWidget(text);

    // Radio buttons of one parent exclude each other.
    m_radioButtonDelete = new QRadioButton(this);
    m_radioButtonDelete->setObjectName(QStringLiteral("radioButtonDelete"));
    m_radioButtonDelete->setAccessibleName(tr("Read / write and delete"));
    m_radioButtonWrite = new QRadioButton(this);
    m_radioButtonWrite->setObjectName(QStringLiteral("radioButtonWrite"));
    m_radioButtonWrite->setAccessibleName(tr("Read / write"));
    m_radioButtonRead = new QRadioButton(this);
    m_radioButtonRead->setObjectName(QStringLiteral("radioButtonRead"));
    m_radioButtonRead->setAccessibleName(tr("Read only"));

    auto *grid = new QGridLayout;
    grid->addWidget(m_radioButtonDelete, 0, 0);
    grid->addWidget(namedLabel(tr("Read / write and delete"), QStringLiteral("deleteLabel"), this), 0, 1);
    grid->addWidget(m_radioButtonWrite, 1, 0);
    grid->addWidget(namedLabel(tr("Read / write"), QStringLiteral("writeLabel"), this), 1, 1);
    grid->addWidget(m_radioButtonRead, 2, 0);
    grid->addWidget(namedLabel(tr("Read only"), QStringLiteral("readLabel"), this), 2, 1);
    auto *row = new QHBoxLayout;
    row->addLayout(grid);
    row->addStretch();
    content->addLayout(row);
    setContentLayout(content);

    m_radioButtonDelete->setChecked(true);
}

void ShareListDialog::setupTitleAndButtons()
{
    setTitle(tr("Send list to") + QLatin1Char(' ') + m_friendName);
    addCancelButton(tr("Cancel"));
    addOkButton(tr("Accept"));
}

QString ShareListDialog::permissions() const
{
    if (m_radioButtonDelete->isChecked())
        return QStringLiteral("rwd");
    if (m_radioButtonWrite->isChecked())
        return QStringLiteral("rw");
    return QStringLiteral("r");
}
