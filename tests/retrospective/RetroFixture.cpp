#include "tests/retrospective/RetroFixture.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <sstream>
#include <shapefil.h>
#include <stdexcept>

#include "geometry/CFileName.h"
#include "geometry/CPolygon.h"
#include "geometry/CShapeFile.h"
#include "map/modArea.h"
#include "map/modDrawPolygon.h"
#include "platform/DbfTable.h"
#include "platform/Format.h"
#include "retrospective/ClusterMapLink.h"
#include "retrospective/frmParameter.h"
#include "retrospective/frmSelectDataFormat.h"
#include "stats/modClusterDetection.h"
#include "stats/modPValue.h"
#include "tests/support/TestPaths.h"
#include "ui/Pictures.h"

namespace retro_test {

std::vector<std::string> expectedScoreGlobalLines(AppState& e, bool unadjusted) {
    namespace cd = modClusterDetection;
    const auto F = [](double v, const char* mask) { return formatMask(v, mask); };
    const auto pLine = [&](double p) {
        return p < 0.001 ? std::string("   ---> p-value < 0.001") : "   ---> p-value = " + F(p, "0.0000");
    };
    std::vector<std::string> global = {
        "",
        unadjusted ? "U-statistic (unadjusted) = " + F(e.retro.globalScoreUnadjusted, "0.000")
                   : "U statistic (adjusted) = " + F(e.retro.globalScoreAdjusted, "0.000"),
        "",
        "A chi-squared approximation = " + F(e.retro.scoreChiSquare, "0.000"),
        "Degree of Freedom = " + F(e.retro.scoreDf, "0.000"),
        "Critical Value = " + F(cd::GetChiSquareCritical(e.retro.alpha, e.retro.scoreDf), "0.000"),
        pLine(modPValue::GetChiSquarePValue(e.retro.scoreChiSquare, e.retro.scoreDf)),
        "",
        "A normal approximation = " + F(e.retro.scoreZ, "0.000"),
        pLine(modPValue::GetNormalPValue(e.retro.scoreZ))};
    if (!unadjusted)
        global.insert(global.end(), {"", "Maximum M statistic = " + F(cd::GetMaxLocalM(e.area, e.retro), "0.000"), "",
                                     "M Critical (M*) = " + F(cd::GetMCritical(e.area, e.shared, e.retro).value, "0.000"),
                                     ""});
    return global;
}

std::string writeStudyArea(const std::string& dir, const std::string& base, const std::vector<Square>& squares,
                           const std::vector<Field>& fields) {
    const std::string stem = dir + "/" + base;
    SHPHandle shp = SHPCreate(stem.c_str(), SHPT_POLYGON);
    if (!shp) throw std::runtime_error("cannot create " + stem + ".shp");
    for (const Square& s : squares) {
        // Clockwise outer ring, closed.
        double xs[5] = {s.x, s.x, s.x + s.size, s.x + s.size, s.x};
        double ys[5] = {s.y, s.y + s.size, s.y + s.size, s.y, s.y};
        SHPObject* o = SHPCreateSimpleObject(SHPT_POLYGON, 5, xs, ys, nullptr);
        SHPWriteObject(shp, -1, o);
        SHPDestroyObject(o);
    }
    SHPClose(shp);

    DBFHandle dbf = DBFCreate((stem + ".dbf").c_str());
    if (!dbf) throw std::runtime_error("cannot create " + stem + ".dbf");
    for (const Field& f : fields) {
        const DBFFieldType t = f.type == 'C' ? FTString : (f.decimals > 0 ? FTDouble : FTInteger);
        DBFAddField(dbf, f.name.c_str(), t, f.width, f.decimals);
    }
    const std::size_t records = fields.empty() ? squares.size()
                                               : std::max(fields[0].numbers.size(), fields[0].texts.size());
    for (std::size_t r = 0; r < records; ++r) {
        for (std::size_t c = 0; c < fields.size(); ++c) {
            const Field& f = fields[c];
            const int ri = static_cast<int>(r), ci = static_cast<int>(c);
            if (f.type == 'C') {
                if (r < f.texts.size() && f.texts[r]) DBFWriteStringAttribute(dbf, ri, ci, f.texts[r]->c_str());
                else DBFWriteNULLAttribute(dbf, ri, ci);
            } else {
                if (r < f.texts.size() && f.texts[r]) {
                    // The text as it stands in the file ("****", "1e400"), right-aligned.
                    std::string raw = *f.texts[r];
                    if (raw.size() < static_cast<std::size_t>(f.width)) raw.insert(0, f.width - raw.size(), ' ');
                    DBFWriteAttributeDirectly(dbf, ri, ci, raw.data());
                } else if (r < f.numbers.size() && f.numbers[r]) {
                    DBFWriteDoubleAttribute(dbf, ri, ci, *f.numbers[r]);
                } else {
                    char blank[] = "";
                    DBFWriteAttributeDirectly(dbf, ri, ci, blank);  // a blank number, dBASE's null
                }
            }
        }
    }
    DBFClose(dbf);
    return stem + ".shp";
}

namespace {

Field numberField(const std::string& name, const std::vector<double>& values, int decimals) {
    Field f;
    f.name = name;
    f.type = 'N';
    f.width = decimals > 0 ? 14 : 9;
    f.decimals = decimals;
    for (double v : values) f.numbers.emplace_back(v);
    return f;
}

}  // namespace

std::string writeGrid(const std::string& dir, const std::string& base, int cols, int rows, const GridData& d) {
    std::vector<Square> squares;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) squares.push_back({static_cast<double>(c), static_cast<double>(r), 1.0});
    const int n = cols * rows;
    std::vector<Field> fields = {numberField("POP", d.pop, 3), numberField("CASES", d.cases, 0),
                                 numberField("OBS", d.obs, 0), numberField("EXP", d.exp, 4)};
    Field name;
    name.name = "NAME";
    name.type = 'C';
    name.width = 12;
    Field code = numberField("CODE", {}, 0);
    for (int k = 1; k <= n; ++k) {
        name.texts.emplace_back("R" + std::to_string(k));
        code.numbers.emplace_back(100.0 + k);
    }
    fields.push_back(name);
    fields.push_back(code);
    return writeStudyArea(dir, base, squares, fields);
}

std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

GridData clusteredCounts(int n) {
    GridData d;
    for (int k = 1; k <= n; ++k) {
        const double pop = 1000.0 + 137.0 * ((k * 7) % 11);
        d.pop.push_back(pop);
        double cases = std::floor(pop / 200.0) + (k % 3);
        if (k <= 3) cases += 12.0 - 3.0 * k;  // more cases in the first corner
        d.cases.push_back(cases);
        d.obs.push_back(cases);
        d.exp.push_back(pop / 190.0);
    }
    return d;
}

Harness::Harness() {
    dlg = std::make_shared<ScriptedDialogs>();
    installDialogs(dlg);
    pump = std::make_shared<CountingEventPump>();
    installEventPump(pump);
    frame = std::make_unique<QMainWindow>();
    frame->resize(1500, 1000);
    area = new QMdiArea(frame.get());
    frame->setCentralWidget(area);
    frame->show();
    QMdiArea* a = area;
    ctx.mainFrameLoader = [a] { return a; };
    Pictures::setBitmapFolder(sourcePath("app/BitMaps"));
}

Harness::~Harness() {
    // Close the windows while the frame still exists.
    for (QMdiSubWindow* w : area->subWindowList()) w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (auto* p = ctx.find<frmParameter>()) p->close();
    if (auto* d = ctx.find<frmSelectDataFormat>()) d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ctx.mainFrameLoader = nullptr;
    frame.reset();
    Pictures::setBitmapFolder({});
}

void Harness::openStudyArea(const std::string& shpPath) {
    AppState& s = ctx.state;
    CFileName name;
    name.SetFileSpec(shpPath);
    CShapeFile file;
    file.SetFileSpec(name, 0);
    // As the open road does: what was read for the area before belongs to it.
    ++s.area.generation;
    s.area.regionCount = file.Count();
    s.area.polygons = Collection<CPolygon>();
    for (std::int32_t i = 1; i <= s.area.regionCount; ++i) s.area.polygons.Add(std::dynamic_pointer_cast<CPolygon>(file.Item(i)));
    s.view.mapExtent = MapRect{file.Left(), file.Top(), file.Right() - file.Left(), file.Top() - file.Bottom()};
    s.area.shpPath = shpPath;
    const std::string stem = shpPath.substr(0, shpPath.size() - 4);
    s.area.dbfPath = stem + ".dbf";
    s.area.dbfFileName = std::filesystem::path(s.area.dbfPath).filename().string();
    s.area.dbfRecordset = DbfTable::Open(s.area.dbfPath);
    s.area.mapWindowTitle = std::filesystem::path(shpPath).filename().string();
    s.view.mapZoom = 1.0;
    s.shared.polygonDataMode = true;
    s.shared.pointDataMode = false;
    s.shared.retroMapMode = false;
    s.shared.cusumMapMode = false;
}

namespace {

void pick(frmParameter* p, QComboBox* combo, const std::string& field) {
    if (!p->pickField(combo, field)) throw std::runtime_error("no field " + field + " in the data input");
}

void afterInput(AppContext& ctx) {
    modFunctions::CalcPolygonArea(ctx.state);
    modFunctions::CalcPolygonCentroid(ctx.state);
    modDrawPolygon::DrawShapefile(ctx);
    ctx.state.shared.retroMapMode = false;
    ctx.state.shared.cusumMapMode = false;
}

}  // namespace

void Harness::inputPopCase(const std::string& popField, const std::string& caseField, const std::string& idField,
                           const std::string& secondIdField) {
    ctx.modalHook = [&](QWidget* w) {
        auto* p = static_cast<frmParameter*>(w);
        pick(p, p->cboBasePopulation, popField);
        pick(p, p->cboCase, caseField);
        pick(p, p->cboPrimaryID, idField);
        if (!secondIdField.empty()) {
            p->setSecondaryIdChecked(true);
            pick(p, p->cboSecondaryID, secondIdField);
        }
        p->cmdOK_Click();
    };
    ctx.showModal<frmParameter>();
    ctx.modalHook = nullptr;
    afterInput(ctx);
}

void Harness::inputObsExp(const std::string& obsField, const std::string& expField, const std::string& idField) {
    ctx.modalHook = [&](QWidget* w) {
        auto* p = static_cast<frmParameter*>(w);
        p->selectObsExp();
        pick(p, p->cboObs, obsField);
        pick(p, p->cboExp, expField);
        pick(p, p->cboPrimaryID, idField);
        p->cmdOK_Click();
    };
    ctx.showModal<frmParameter>();
    ctx.modalHook = nullptr;
    afterInput(ctx);
}

std::vector<std::string> Harness::messageTexts() const {
    std::vector<std::string> out;
    for (const auto& m : dlg->messages) out.push_back(m.text);
    return out;
}

void Harness::clearMessages() { dlg->messages.clear(); }

namespace {

std::vector<OptionChoice> optionChoices(ClusterOptions& w) {
    return {
        {"unadjusted", w.optUnadjusted, [&w] { w.selectTest(ClusterTest::Unadjusted); }, ClusterTest::Unadjusted},
        {"adjusted", w.optAdjusted_Generic, [&w] { w.selectTest(ClusterTest::AdjustedPoisson); },
         ClusterTest::AdjustedPoisson},
        {"Freeman-Tukey", w.optStandard, [&w] { w.selectTest(ClusterTest::FreemanTukey); }, ClusterTest::FreemanTukey},
        {"Rossi, already chosen", w.optRossi, [&w] { w.selectTest(ClusterTest::Rossi); }, ClusterTest::Rossi},
        {"single bandwidth, already chosen", w.optSpatialSingleSigma, [&w] { w.selectSingleSigma(); },
         ClusterTest::Rossi},
        {"range", w.optSpatialSigmaRange, [&w] { w.selectSigmaRange(); }, ClusterTest::Rossi},
    };
}

}  // namespace

void expectOptionsActAsClicks(ClusterOptions& w, QPushButton* save, const std::function<void()>& run,
                              const std::function<void(const OptionChoice&)>& check) {
    for (const OptionChoice& c : optionChoices(w)) {
        for (const bool click : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (click ? ", clicked" : ", from code"));
            run();
            ASSERT_TRUE(save->isEnabled());
            const bool wasChecked = c.option->isChecked();
            int clicks = 0, toggles = 0;
            {
                const QObject listener;  // its connections end with it
                QObject::connect(c.option, &QRadioButton::clicked, &listener, [&clicks] { ++clicks; });
                QObject::connect(c.option, &QRadioButton::toggled, &listener, [&toggles] { ++toggles; });
                if (click) c.option->click();
                else c.choose();
            }
            EXPECT_TRUE(c.option->isChecked());
            EXPECT_EQ(toggles, wasChecked ? 0 : 1);
            EXPECT_EQ(clicks, click ? 1 : 0);
            EXPECT_FALSE(save->isEnabled());
            EXPECT_EQ(w.selectedTest(), c.test);
            check(c);
        }
    }
}

}  // namespace retro_test
