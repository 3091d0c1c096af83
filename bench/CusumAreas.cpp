#include "bench/CusumAreas.h"

#include <cmath>
#include <vector>

#include "bench/ShapelibWriters.h"

std::string writeSquareGrid(const std::string& folder, int cols, int rows) {
    const std::string base = folder + "/grid";
    ShapefileWriter shp(base, SHPT_POLYGON);
    TableWriter dbf(base + ".dbf");
    const int name = dbf.addField("NAME", FTString, 16, 0);
    int record = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            shp.addRing({double(c), double(c), c + 1.0, c + 1.0, double(c)},
                        {double(r), r + 1.0, r + 1.0, double(r), double(r)});
            dbf.write(record, name, "Region " + std::to_string(record + 1));
            ++record;
        }
    dbf.close();
    return shp.close();
}

std::string writeCountTable(const std::string& folder, int n, int t) {
    TableWriter dbf(folder + "/counts.dbf");
    for (int k = 0; k < 2 * t; ++k) dbf.addField((k < t ? "O" : "E") + std::to_string(k % t + 1), FTDouble, 12, 4);
    for (int i = 0; i < n; ++i)
        for (int p = 0; p < t; ++p) {
            const double e = 2.0 + (i % 7) * 0.5;
            dbf.write(i, p, std::floor(e + 2.0 * std::sin(i * 0.37 + p * 1.1) + 0.5) + 1.0);
            dbf.write(i, t + p, e);
        }
    return dbf.close();
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
