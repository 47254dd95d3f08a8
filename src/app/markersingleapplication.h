#ifndef MARKERSINGLEAPPLICATION_H
#define MARKERSINGLEAPPLICATION_H

#include "app/singleapplication.h"

class SingleInstanceMarker;

// The single-instance guard of the program: the first instance holds a marker
// named from the organisation and application names and the user; a later
// one finds it, asks the first to bring its main window forward and ends.
class MarkerSingleApplication : public SingleApplication
{
    Q_OBJECT

public:
    MarkerSingleApplication(int &argc, char **argv);

    // "SingleApplication:<organisation>:<application>".
    static QString markerTitle();
    // The marker title and the user's id.
    static QString markerName();

    bool isAnotherInstanceRunning() override;

private:
    SingleInstanceMarker *m_marker = nullptr;
};

#endif
