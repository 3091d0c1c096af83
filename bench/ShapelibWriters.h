#pragma once
// Shapelib's writers with every step checked. The figures write their study
// areas and tables through these: a step the system refuses (the scratch
// folder gone, the disk full) throws std::runtime_error naming the file and
// the cause, which the figure's line then reports, where an unchecked
// handle would be used after it was never made and take the whole program
// down with it.
#include <shapefil.h>

#include <string>
#include <vector>

// base.shp and base.shx, written one shape at a time.
class ShapefileWriter {
public:
    ShapefileWriter(std::string base, int shapeType);
    // Closes the files when close() was not reached (a step threw).
    ~ShapefileWriter();
    ShapefileWriter(const ShapefileWriter&) = delete;
    ShapefileWriter& operator=(const ShapefileWriter&) = delete;

    // Appends a shape of one ring, its vertices as given.
    void addRing(const std::vector<double>& xs, const std::vector<double>& ys);
    // Writes the headers and closes the files; the .shp path.
    std::string close();

private:
    std::string base_;
    int shapeType_;
    SHPHandle handle_ = nullptr;
};

// A dBASE table at `path`, its fields added before its records are written.
class TableWriter {
public:
    explicit TableWriter(std::string path);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    // The new field's index.
    int addField(const std::string& name, DBFFieldType type, int width, int decimals);
    // Field `field` of the 0-based `record`; a record one past the last
    // appends one.
    void write(int record, int field, int value);
    void write(int record, int field, double value);
    void write(int record, int field, const std::string& value);
    // Writes the header and closes the file; the table's path.
    std::string close();

private:
    std::string path_;
    DBFHandle handle_ = nullptr;
};
