#include "bench/ShapelibWriters.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

// What the library said of the step that failed, with the system's cause
// when it gave one. The library says it through a hook that takes no
// argument of ours, hence a variable the hook and the checks share.
thread_local std::string libraryComplaint;

void keepComplaint(const char* message) {
    const int err = errno;
    libraryComplaint = message != nullptr ? message : "";
    // The system's cause, unless the library gave it already.
    const std::string why = err != 0 ? std::strerror(err) : "";
    if (!why.empty() && libraryComplaint.find(why) == std::string::npos) libraryComplaint += " (" + why + ")";
}

// The library's hooks, its complaints kept instead of printed: the figure's
// line gives them.
SAHooks* hooks() {
    static SAHooks h = [] {
        SAHooks made{};
        SASetupDefaultHooks(&made);
        made.Error = keepComplaint;
        return made;
    }();
    return &h;
}

// Starts a step: nothing said, no cause yet.
void beginStep() {
    libraryComplaint.clear();
    errno = 0;
}

// Why the step just made failed.
std::string cause() {
    if (!libraryComplaint.empty()) return libraryComplaint;
    if (errno != 0) return std::strerror(errno);
    return "the library refused it";
}

// "<action> <file>: <cause>", the file named once: some of the library's
// complaints name it themselves.
[[noreturn]] void fail(const std::string& action, const std::string& file) {
    const std::string why = cause();
    if (why.find(file) != std::string::npos) throw std::runtime_error(action + ": " + why);
    throw std::runtime_error(action + " " + file + ": " + why);
}

// A close says nothing through its result; only what it complained of.
void checkClose(const std::string& action, const std::string& file) {
    if (!libraryComplaint.empty()) fail(action, file);
}

}  // namespace

ShapefileWriter::ShapefileWriter(std::string base, int shapeType) : base_(std::move(base)), shapeType_(shapeType) {
    beginStep();
    handle_ = SHPCreateLL(base_.c_str(), shapeType_, hooks());
    if (handle_ == nullptr) fail("cannot create the shapefile", base_ + ".shp");
}

ShapefileWriter::~ShapefileWriter() {
    if (handle_ != nullptr) SHPClose(handle_);
}

void ShapefileWriter::addRing(const std::vector<double>& xs, const std::vector<double>& ys) {
    SHPObject* shape =
        SHPCreateSimpleObject(shapeType_, static_cast<int>(xs.size()), xs.data(), ys.data(), nullptr);
    if (shape == nullptr) throw std::bad_alloc();
    beginStep();
    const int written = SHPWriteObject(handle_, -1, shape);
    SHPDestroyObject(shape);
    if (written < 0) fail("cannot write a shape to", base_ + ".shp");
}

std::string ShapefileWriter::close() {
    beginStep();
    SHPClose(std::exchange(handle_, nullptr));
    checkClose("cannot finish the shapefile", base_ + ".shp");
    return base_ + ".shp";
}

TableWriter::TableWriter(std::string path) : path_(std::move(path)) {
    beginStep();
    // The code page DBFCreate gives a table.
    handle_ = DBFCreateLL(path_.c_str(), "LDID/87", hooks());
    if (handle_ == nullptr) fail("cannot create the table", path_);
}

TableWriter::~TableWriter() {
    if (handle_ != nullptr) DBFClose(handle_);
}

int TableWriter::addField(const std::string& name, DBFFieldType type, int width, int decimals) {
    beginStep();
    const int field = DBFAddField(handle_, name.c_str(), type, width, decimals);
    if (field < 0) fail("cannot add the field " + name + " to the table", path_);
    return field;
}

namespace {
std::string recordText(int record) { return "cannot write record " + std::to_string(record + 1) + " of the table"; }
}  // namespace

void TableWriter::write(int record, int field, int value) {
    beginStep();
    if (!DBFWriteIntegerAttribute(handle_, record, field, value)) fail(recordText(record), path_);
}

void TableWriter::write(int record, int field, double value) {
    beginStep();
    if (!DBFWriteDoubleAttribute(handle_, record, field, value)) fail(recordText(record), path_);
}

void TableWriter::write(int record, int field, const std::string& value) {
    beginStep();
    if (!DBFWriteStringAttribute(handle_, record, field, value.c_str())) fail(recordText(record), path_);
}

std::string TableWriter::close() {
    beginStep();
    DBFClose(std::exchange(handle_, nullptr));
    checkClose("cannot finish the table", path_);
    return path_;
}
