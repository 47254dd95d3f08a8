#ifndef NOTEPADNOTEIDLIST_H
#define NOTEPADNOTEIDLIST_H

#include <QList>
#include <QtGlobal>

// Server ids of notes in display order, as the server keeps them.
using NotepadNoteIdList = QList<quint32>;

#endif
