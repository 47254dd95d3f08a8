#ifndef SYNCNOTICELABEL_H
#define SYNCNOTICELABEL_H

class QLabel;

// The notice a panel shows above its fields while its list is being
// synchronised and the fields take no typing; made hidden, word-wrapped and
// named for the skins.
QLabel *newSyncNoticeLabel();

#endif
