#pragma once
// The record types shared across the program.
#include <cstdint>
#include <string>

struct DevicePoint {  // pixels
    std::int32_t X = 0;
    std::int32_t Y = 0;
};

struct MapPoint {  // map units
    double X = 0.0;
    double Y = 0.0;
};

struct CentroidRecord {
    std::string ID;
    double X = 0.0;
    double Y = 0.0;
};

struct IndexValue {
    double Index = 0.0;
    double Value = 0.0;
};

struct AreaRecord {
    std::int32_t Index = 0;  // the region number
    double PartArea = 0.0;
    double PolygonArea = 0.0;
};

struct MapRect {
    double Left = 0.0;
    double Top = 0.0;
    double Width = 0.0;
    double Height = 0.0;
};

struct BoxRecord {
    double Top = 0.0;
    double Left = 0.0;
    double Bottom = 0.0;
    double Right = 0.0;
};

// The transform of the polygon map from map units to pixels of its picture,
// as the last drawing computed it (map/MapTransform.h computes and applies
// it): the data's aspect ratio kept, the drawn map centred on the picture,
// the y axis turned, the accumulated pan in the margins.
struct MapTransform {
    double extentAspect = 0.0;  // r = Height / Width of the extent
    double viewScale = 0.0;     // s = zoom * pictureHeight / pictureWidth
    double drawnWidth = 0.0;    // dW, pixels
    double drawnHeight = 0.0;   // dH, pixels; also the base of the y flip
    double halfDrawnWidth = 0.0, halfDrawnHeight = 0.0;
    double halfPictureWidth = 0.0, halfPictureHeight = 0.0;
    double marginX = 0.0, marginY = 0.0;        // top-left of the drawn map, without drag
    double mapScaleX = 0.0, mapScaleY = 0.0;    // pixels per map unit
    double mapOffsetX = 0.0, mapOffsetY = 0.0;  // -Xmin, -Ymin
};
