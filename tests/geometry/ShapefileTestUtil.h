#pragma once
// Helpers for the shapefile tests: whole-file bytes, field access at byte
// offsets, and pairs written with our writer.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "geometry/CShapeFile.h"
#include "platform/BinaryFile.h"
#include "tests/geometry/GeometryTestUtil.h"
#include "tests/support/TestPaths.h"

using Bytes = std::vector<unsigned char>;

inline Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void putFileBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::int32_t be32(const Bytes& b, std::size_t offset) { return byteorder::loadInt32BE(b.data() + offset); }
inline std::int32_t le32(const Bytes& b, std::size_t offset) { return byteorder::loadInt32LE(b.data() + offset); }
inline double f64(const Bytes& b, std::size_t offset) { return byteorder::loadDouble(b.data() + offset); }
inline void setBe32(Bytes& b, std::size_t offset, std::int32_t v) { byteorder::storeInt32BE(b.data() + offset, v); }
inline void setLe32(Bytes& b, std::size_t offset, std::int32_t v) { byteorder::storeInt32LE(b.data() + offset, v); }

inline CFileName fileSpec(const std::string& path) {
    CFileName f;
    f.SetFileSpec(path);
    return f;
}

// Writes the shapes into a new pair of that type and returns the .shp path.
inline std::string writePair(const std::string& shpPath, std::int32_t type,
                             const std::vector<std::shared_ptr<IShape>>& shapes) {
    CShapeFile file;
    file.SetFileSpec(fileSpec(shpPath), CREATEIT, type);
    for (const auto& s : shapes) file.Add(s);
    return shpPath;
}

inline std::string shxOf(const std::string& shpPath) { return shpPath.substr(0, shpPath.size() - 3) + "shx"; }

// The points of every part, for comparing shapes read back.
using Rings = std::vector<std::vector<XY>>;

template <typename Shape>
Rings ringsOf(const Shape& shape) {
    Rings rings;
    for (const auto& part : shape) {
        rings.emplace_back();
        for (const auto& p : *part) rings.back().emplace_back(p->X(), p->Y());
    }
    return rings;
}

template <typename Shape>
std::shared_ptr<Shape> shapeFromRings(const Rings& rings) {
    auto shape = std::make_shared<Shape>();
    for (const auto& ring : rings) {
        auto part = std::make_shared<CPart>();
        for (const auto& [x, y] : ring) part->Add(std::make_shared<CPoint>(x, y));
        shape->Add(part);
    }
    return shape;
}
