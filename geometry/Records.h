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
