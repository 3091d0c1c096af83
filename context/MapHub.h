#pragma once
// What the user did on a map, for whichever windows care. The map windows
// emit these and know nothing of their listeners; a test window connects
// to the signals it needs in its own constructor (so a number it derives
// from a signal, such as the row of a list, lives beside that list), and Qt
// drops the connection when the window goes. The hub lives as long as the
// program's context.
//
// Regions are given as the map knows them: 0-based record indexes of the
// shapefile, the value of selectedRegion.

#include <QObject>
#include <string>

class MapHub : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // The Find tool picked a region.
    void regionFound(int region);
    // The Graph tool picked a region whose cusum is to be charted.
    void regionCharted(int region);
    // The bandwidth slider or the bandwidth animation showed the range
    // run's bandwidth `index` (0-based, in the order of the range).
    void rangeRowChosen(int index);
    // The map window became the active window, or closed.
    void mapActivated();
    void mapClosed();
    // The map coordinates under the pointer, as text to show.
    void coordinatesChanged(const std::string& text);
    // Another study area was opened: what a window shows of the one before
    // (lists, a table, a region's record) no longer belongs to the map.
    void studyAreaOpened();
};
