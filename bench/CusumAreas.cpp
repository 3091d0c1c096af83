#include "bench/CusumAreas.h"

#include <shapefil.h>

#include <cmath>

std::string writeSquareGrid(const std::string& folder, int cols, int rows) {
    const std::string base = folder + "/grid";
    SHPHandle shp = SHPCreate(base.c_str(), SHPT_POLYGON);
    DBFHandle dbf = DBFCreate((base + ".dbf").c_str());
    DBFAddField(dbf, "NAME", FTString, 16, 0);
    int record = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            double xs[5] = {double(c), double(c), c + 1.0, c + 1.0, double(c)};
            double ys[5] = {double(r), r + 1.0, r + 1.0, double(r), double(r)};
            SHPObject* o = SHPCreateSimpleObject(SHPT_POLYGON, 5, xs, ys, nullptr);
            SHPWriteObject(shp, -1, o);
            SHPDestroyObject(o);
            DBFWriteStringAttribute(dbf, record, 0, ("Region " + std::to_string(record + 1)).c_str());
            ++record;
        }
    SHPClose(shp);
    DBFClose(dbf);
    return base + ".shp";
}

Matrix cornerOutbreakZ(int n, int t, int cols) {
    Matrix z = Matrix::Zero(n + 1, t + 1);
    for (int i = 1; i <= n; ++i)
        for (int p = 1; p <= t; ++p) {
            const int c = (i - 1) % cols, r = (i - 1) / cols;
            z(i, p) = std::sin(i * 0.37 + p * 1.1) + ((c < 6 && r < 6 && p > t / 2) ? 2.0 : 0.0);
        }
    return z;
}
