#ifndef DRAWNASTYPED_H
#define DRAWNASTYPED_H

// Whether a label draws its text character for character. A label left to
// guess the format draws "<b>x</b>" as a bold x, "&amp;" as "&" and an
// <img> as a picture (read from wherever its source points).

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QStringList>

// Empty when `label` shows its text as typed; else what differs from a label
// that certainly does: its twin of the same place, font and size, set to
// plain text.
inline QString differenceFromTyped(QLabel *label)
{
    // The label as it is painted next: laid out for the text it has just taken.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QImage drawn = label->grab().toImage();
    QStringList problems;
    if (label->textFormat() != Qt::PlainText)
        problems << QStringLiteral("format %1, not plain text").arg(int(label->textFormat()));
    // Beside the label, so that the same style sheets reach it.
    QLabel twin(label->parentWidget());
    twin.setObjectName(label->objectName());
    twin.setTextFormat(Qt::PlainText);
    twin.setText(label->text());
    twin.setFont(label->font());
    twin.setPalette(label->palette());
    twin.setAutoFillBackground(label->autoFillBackground());
    twin.setWordWrap(label->wordWrap());
    twin.setAlignment(label->alignment());
    twin.setMargin(label->margin());
    twin.setIndent(label->indent());
    twin.setContentsMargins(label->contentsMargins());
    twin.setMinimumSize(label->minimumSize());
    twin.setMaximumSize(label->maximumSize());
    twin.resize(label->size());
    if (twin.sizeHint() != label->sizeHint()) {
        problems << QStringLiteral("size %1x%2 where the text as typed takes %3x%4")
                        .arg(label->sizeHint().width())
                        .arg(label->sizeHint().height())
                        .arg(twin.sizeHint().width())
                        .arg(twin.sizeHint().height());
    }
    if (drawn != twin.grab().toImage())
        problems << QStringLiteral("other pixels than the text as typed");
    return problems.join(QStringLiteral("; "));
}

#endif
