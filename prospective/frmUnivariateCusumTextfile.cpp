#include "prospective/frmUnivariateCusumTextfile.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <cmath>
#include <initializer_list>
#include <optional>

#include "map/PointMap.h"
#include "map/PointTransform.h"
#include "map/modFunctions.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "platform/TextFile.h"
#include "prospective/CusumChart.h"
#include "prospective/CusumLines.h"
#include "prospective/CusumParameters.h"
#include "prospective/CusumRun.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/LineChart.h"
#include "ui/TextSave.h"
#include "ui/WindowParts.h"

using namespace WindowParts;

namespace {

constexpr const char* kTextFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";
constexpr const char* kNoFileName = "File name is not specified.";
// The counts of the speed options.
constexpr int kFastDelay = CusumRun::kFast.pointDelay, kMediumDelay = CusumRun::kMedium.pointDelay,
              kSlowDelay = CusumRun::kSlow.pointDelay;
constexpr BgrColor kGreen = 0x00FF00;

// A file's row of controls (its button, caption and box) made usable once
// the file it waits for has been read.
void enableRow(std::initializer_list<QWidget*> row) {
    for (QWidget* w : row) w->setEnabled(true);
}

}  // namespace

frmUnivariateCusumTextfile::frmUnivariateCusumTextfile(AppContext& ctx)
    : QWidget(nullptr), ctx_(ctx), v_(ctx.vars<PointCusumVars>()) {
    setObjectName("frmUnivariateCusumTextfile");
    setWindowTitle("Univariate cusum");
    resize(twipsToPixels(16260), twipsToPixels(9660));
    setMinimumSize(size());
    buildControls();
    Form_Load();
}

frmUnivariateCusumTextfile::~frmUnivariateCusumTextfile() = default;

void frmUnivariateCusumTextfile::buildControls() {
    FrameLoad = captioned<QGroupBox>(this, "Frame4_1", "Load Data", twips(120, 120, 4080, 2160));
    Label3 = captioned<QLabel>(FrameLoad, "Label3", "ID, X-Y Coordinates", twips(120, 270, 3300, 255));
    txtIDXY = control<QLineEdit>(FrameLoad, "txtIDXY", twips(120, 540, 3300, 285));
    cmdFileOpenIDXY = captioned<QPushButton>(FrameLoad, "cmdFileOpenIDXY", "...", twips(3480, 540, 480, 285));
    lblOldCusum = captioned<QLabel>(FrameLoad, "lblOldCusum", "Saved cusum file", twips(120, 900, 3300, 255));
    txtOldCusum = control<QLineEdit>(FrameLoad, "txtOldCusum", twips(120, 1170, 3300, 285));
    cmdOldCusum = captioned<QPushButton>(FrameLoad, "cmdOldCusum", "...", twips(3480, 1170, 480, 285));
    lblNewZ = captioned<QLabel>(FrameLoad, "lblNewZ", "New z-score file", twips(120, 1530, 3300, 255));
    txtNewZScore = control<QLineEdit>(FrameLoad, "txtNewZScore", twips(120, 1800, 3300, 285));
    cmdNewZScore = captioned<QPushButton>(FrameLoad, "cmdNewZScore", "...", twips(3480, 1800, 480, 285));
    for (QLineEdit* t : {txtIDXY, txtOldCusum, txtNewZScore}) t->setReadOnly(true);

    FrameStart = captioned<QGroupBox>(this, "Frame4_0", "Start option", twips(120, 2340, 4080, 600));
    optZero = captioned<QRadioButton>(FrameStart, "optZero", "Zero", twips(120, 270, 1200, 255));
    optPre = captioned<QRadioButton>(FrameStart, "optPre", "Previous", twips(1380, 270, 1300, 255));
    optFIR = captioned<QRadioButton>(FrameStart, "optFIR", "FIR", twips(2760, 270, 1200, 255));

    Frame2 = captioned<QGroupBox>(this, "Frame2", "Parameters", twips(120, 3000, 4080, 1380));
    captioned<QLabel>(Frame2, "Label1", "k-value", twips(120, 330, 1500, 255));
    txtKvalue = control<QLineEdit>(Frame2, "txtKvalue", twips(1680, 300, 2280, 285));
    captioned<QLabel>(Frame2, "Label7", "h-value", twips(120, 690, 1500, 255));
    txtHvalue = control<QLineEdit>(Frame2, "txtHvalue", twips(1680, 660, 2280, 285));
    captioned<QLabel>(Frame2, "Label11", "Sigma", twips(120, 1050, 1500, 255));
    txtSigma = control<QLineEdit>(Frame2, "txtSigma", twips(1680, 1020, 2280, 285));
    txtKvalue->setText("0.5");
    txtHvalue->setText("9.3");
    txtSigma->setText("0");

    Frame9 = captioned<QGroupBox>(this, "Frame9", "Animation speed", twips(120, 4440, 4080, 600));
    optFast = captioned<QRadioButton>(Frame9, "optFast", "H", twips(120, 270, 1200, 255));
    optMedium = captioned<QRadioButton>(Frame9, "optMedium", "M", twips(1380, 270, 1200, 255));
    optSlow = captioned<QRadioButton>(Frame9, "optSlow", "L", twips(2640, 270, 1200, 255));

    cmdRun = captioned<QPushButton>(this, "cmdRun", "&Run", twips(120, 5130, 1280, 375));
    cmdSaveCusum = captioned<QPushButton>(this, "cmdSaveCusum", "&Save Cusum", twips(1460, 5130, 1320, 375));
    cmdSaveResult = captioned<QPushButton>(this, "cmdSaveResult", "&Save Result", twips(2840, 5130, 1360, 375));

    Frame3 = captioned<QGroupBox>(this, "Frame3", "Maximum cusum value for each year", twips(120, 5580, 4080, 3960));
    lstPeriod = control<QListWidget>(Frame3, "lstPeriod", twips(120, 270, 3840, 3570));
    // One line per period, all of one font and height: as the list grows
    // during an animation its lines are not measured again one by one.
    lstPeriod->setUniformItemSizes(true);

    Frame1 = captioned<QGroupBox>(this, "Frame1", "Map Display", twips(4320, 120, 6640, 5760));
    picPeriod = control<QWidget>(Frame1, "picPeriod", twips(120, 240, 6400, 300));
    lblY = control<QLabel>(picPeriod, "lblY", twips(0, 0, 6400, 300));
    picPoint = new PointMap(ctx_.state, v_.view, Frame1);
    picPoint->setObjectName("picPoint");
    picPoint->setGeometry(twips(120, 600, 6400, 4110));
    picPoint->setPointSource(&v_.mapPoints, &v_.mapCount);
    lblDisplay = control<QLabel>(picPoint, "lblDisplay", twips(60, 60, 4000, 255));
    picMapDisplayTools = control<QWidget>(Frame1, "picMapDisplayTools", twips(120, 4770, 6400, 300));
    optZoomIn = captioned<QRadioButton>(picMapDisplayTools, "optZoomIn", "Zoom In", twips(0, 30, 1050, 255));
    optZoomOut = captioned<QRadioButton>(picMapDisplayTools, "optZoomOut", "Zoom Out", twips(1060, 30, 1100, 255));
    optPan = captioned<QRadioButton>(picMapDisplayTools, "optPan", "Pan", twips(2170, 30, 800, 255));
    optFullExtent = captioned<QRadioButton>(picMapDisplayTools, "optFullExtent", "Full Extent", twips(2980, 30, 1250, 255));
    optMeasureDistance = captioned<QRadioButton>(picMapDisplayTools, "optMeasureDistance", "Select", twips(4240, 30, 950, 255));
    optIdentify = captioned<QRadioButton>(picMapDisplayTools, "optIdentify", "Identify", twips(5200, 30, 1150, 255));
    picLegend = control<QWidget>(Frame1, "picLegend", twips(120, 5130, 6400, 420));
    const char* legNames[5] = {"lblLeg_0", "lblLeg_1", "lblLeg_2", "lblLeg_3", "lblLeg_4"};
    for (int i = 0; i < 5; ++i) {
        lblLeg[static_cast<std::size_t>(i)] = control<QLabel>(picLegend, legNames[i], twips(i * 1280, 60, 1200, 300));
        lblLeg[static_cast<std::size_t>(i)]->setAlignment(Qt::AlignCenter);
    }
    modFunctions::SetCusumLegendLabels(lblLeg);

    Frame5 = captioned<QGroupBox>(this, "Frame5", "Signaled region and cusum for the year ", twips(4320, 5940, 6640, 3600));
    lstRegion = control<QListWidget>(Frame5, "lstRegion", twips(120, 270, 6400, 3210));

    Frame7 = captioned<QGroupBox>(this, "Frame7", "Cusum chart (maximum value of each period)", twips(11080, 120, 5060, 4500));
    MSChart1 = new LineChart(Frame7);
    MSChart1->setObjectName("MSChart1");
    MSChart1->setGeometry(twips(120, 270, 4820, 4110));
    Frame10 = captioned<QGroupBox>(this, "Frame10", "Cusum chart (individual region)", twips(11080, 4680, 5060, 4860));
    MSChart2 = new LineChart(Frame10);
    MSChart2->setObjectName("MSChart2");
    MSChart2->setGeometry(twips(120, 270, 4820, 4050));
    picEachRegionInfo = control<QWidget>(Frame10, "picEachRegionInfo", twips(120, 4380, 4820, 360));
    lblEachRegionInfo = control<QLabel>(picEachRegionInfo, "lblEachRegionInfo", twips(60, 30, 4700, 300));

    onSignal(optZero, &QRadioButton::clicked, this, [this] { optZero_Click(); });
    onSignal(optPre, &QRadioButton::clicked, this, [this] { optPre_Click(); });
    onSignal(cmdFileOpenIDXY, &QPushButton::clicked, this, [this] { cmdFileOpenIDXY_Click(); });
    onSignal(cmdOldCusum, &QPushButton::clicked, this, [this] { cmdOldCusum_Click(); });
    onSignal(cmdNewZScore, &QPushButton::clicked, this, [this] { cmdNewZScore_Click(); });
    onSignal(cmdRun, &QPushButton::clicked, this, [this] { cmdRun_Click(); });
    onSignal(cmdSaveCusum, &QPushButton::clicked, this, [this] { cmdSaveCusum_Click(); });
    onSignal(cmdSaveResult, &QPushButton::clicked, this, [this] { cmdSaveResult_Click(); });
    for (QRadioButton* o : {optZoomIn, optZoomOut, optPan, optFullExtent})
        onSignal(o, &QRadioButton::clicked, this, [this] { lblDisplay->hide(); });
    onSignal(optMeasureDistance, &QRadioButton::clicked, this, [this] { optMeasureDistance_Click(); });
    onSignal(optIdentify, &QRadioButton::clicked, this, [this] { optIdentify_Click(); });
    connectList(this, lstPeriod, &frmUnivariateCusumTextfile::lstPeriod_Click);
    connectList(this, lstRegion, &frmUnivariateCusumTextfile::lstRegion_Click);
    onSignal(picPoint, &PictureBox::mouseDown, this, [this](int b, double x, double y) { picPoint_MouseDown(b, 0, x, y); });
    onSignal(picPoint, &PictureBox::mouseMove, this, [this](int b, double x, double y) { picPoint_MouseMove(b, 0, x, y); });
    onSignal(picPoint, &PictureBox::mouseUp, this, [this](int b, double x, double y) { picPoint_MouseUp(b, 0, x, y); });
    onSignal(picPoint, &PictureBox::clicked, this, [this] { picPoint_Click(); });
}

template <class F>
void frmUnivariateCusumTextfile::drawing(F&& f) {
    try {
        f();
    } catch (const AppError& e) {
        dialogs().warning("The point map could not be drawn: " + e.description());
    }
}

void frmUnivariateCusumTextfile::Form_Load() {
    move(twipsToPixels(1), twipsToPixels(1));
    v_.view.pointZoom = kStartZoom;
    clearQuietly(lstPeriod);
    clearQuietly(lstRegion);
    lstPeriod->setFont(listFont());
    lstRegion->setFont(listFont());
    quietly(optZero, [](QRadioButton* b) { b->setChecked(true); });
    optZero_Click();
    optFast->setChecked(true);
    optFIR->setEnabled(false);
    MSChart1->hide();
    MSChart2->hide();
    picEachRegionInfo->hide();
    cmdSaveResult->setEnabled(false);
    cmdSaveCusum->setEnabled(false);
    cmdRun->setEnabled(false);
    cmdOldCusum->setEnabled(false);
    cmdNewZScore->setEnabled(false);
    lblNewZ->setEnabled(false);
}

void frmUnivariateCusumTextfile::closeEvent(QCloseEvent* event) {
    // A running animation ends with the window.
    ++generation_;
    WaitingAction::stop(this);
    unloaded_ = true;
    animating_ = false;
    QWidget::closeEvent(event);
}

// ---- Start options and the three files ----

void frmUnivariateCusumTextfile::resetForStart() {
    picPoint->clearMap();
    txtIDXY->clear();
    for (QWidget* w : {static_cast<QWidget*>(cmdOldCusum), static_cast<QWidget*>(lblOldCusum),
                       static_cast<QWidget*>(txtOldCusum), static_cast<QWidget*>(cmdNewZScore),
                       static_cast<QWidget*>(lblNewZ), static_cast<QWidget*>(txtNewZScore)})
        w->setEnabled(false);
    txtOldCusum->clear();
    txtNewZScore->clear();
    clearQuietly(lstPeriod);
    clearQuietly(lstRegion);
    MSChart2->hide();
    picEachRegionInfo->hide();
    lblDisplay->hide();
    cmdRun->setEnabled(false);
    cmdSaveResult->setEnabled(false);
    cmdSaveCusum->setEnabled(false);
    // The files must be read again for the chosen start before a run.
    v_.newZ.reset();
    v_.saved.reset();
}

void frmUnivariateCusumTextfile::optZero_Click() { resetForStart(); }
void frmUnivariateCusumTextfile::optPre_Click() { resetForStart(); }

bool frmUnivariateCusumTextfile::chooseAndRead(QLineEdit* box, const std::function<void(const std::string&)>& read,
                                               const std::string& refused) {
    FileDialogRequest request;
    request.filter = kTextFilter;
    const FileDialogResult chosen = dialogs().openFile(request);
    if (chosen.cancelled()) {
        dialogs().warning(kNoFileName);
        return false;
    }
    try {
        read(chosen.fileName);
    } catch (const AppError& e) {
        dialogs().warning(refused + e.description());
        return false;
    }
    box->setText(QString::fromStdString(chosen.fileName));
    return true;
}

void frmUnivariateCusumTextfile::cmdFileOpenIDXY_Click() {
    const bool read = chooseAndRead(txtIDXY, [this](const std::string& path) {
        v_.coords = PointCoordinateFile::Read(path);
        ctx_.state.points.pointCount = v_.coords.count;
    });
    if (!read) return;
    // A z-score or saved cusum file read for other points is refused by Run.
    if (optZero->isChecked()) {
        enableRow({cmdNewZScore, lblNewZ, txtNewZScore});
    } else if (optPre->isChecked()) {
        enableRow({cmdOldCusum, lblOldCusum, txtOldCusum});
    }
}

void frmUnivariateCusumTextfile::cmdOldCusum_Click() {
    if (!chooseAndRead(txtOldCusum,
                       [this](const std::string& path) { v_.saved = PointCusum::ReadSaved(path, v_.coords.count); }))
        return;
    enableRow({cmdNewZScore, lblNewZ, txtNewZScore});
}

void frmUnivariateCusumTextfile::cmdNewZScore_Click() {
    // Refused in the polygon window's words for its period file.
    if (!chooseAndRead(
            txtNewZScore,
            [this](const std::string& path) { v_.newZ = PointCusum::ReadZScores(path, v_.coords.count); },
            "The period file was not read: "))
        return;
    cmdRun->setEnabled(true);
}

// ---- The run ----

Wait frmUnivariateCusumTextfile::periodWait(int speed) { return CusumRun::periodWait(speed); }

void frmUnivariateCusumTextfile::setAnimating(bool on) {
    animating_ = on;
    // Run stays: a Run replaces the animation.
    for (QWidget* w : {static_cast<QWidget*>(optZero), static_cast<QWidget*>(optPre),
                       static_cast<QWidget*>(cmdFileOpenIDXY), static_cast<QWidget*>(Frame2),
                       static_cast<QWidget*>(Frame9)})
        w->setEnabled(!on);
    cmdOldCusum->setEnabled(!on && optPre->isChecked() && !txtIDXY->text().isEmpty());
    cmdNewZScore->setEnabled(!on && (optZero->isChecked() ? !txtIDXY->text().isEmpty()
                                                          : !txtOldCusum->text().isEmpty()));
    if (on) {
        cmdSaveCusum->setEnabled(false);
        cmdSaveResult->setEnabled(false);
    }
}

bool frmUnivariateCusumTextfile::stillRunning(std::uint64_t generation) const {
    return !unloaded_ && generation_ == generation && ctx_.find<frmUnivariateCusumTextfile>() == this;
}

void frmUnivariateCusumTextfile::cmdRun_Click() {
    // The run animates in waits of its own: a Run clicked during the
    // animation stops it, once k, h and sigma are found right, and starts
    // when the stopped animation has returned.
    if (WaitingAction::busy() && !readCusumParameters(txtKvalue, txtHvalue, txtSigma)) return;
    QPointer<frmUnivariateCusumTextfile> self(this);
    WaitingAction::deferUntilIdle([self] {
        if (self && !self->unloaded_) self->run();
    });
}

void frmUnivariateCusumTextfile::run() {
    // Nothing the window shows changes until the run is computed whole: a
    // refused run leaves the last one's lists, map and charts working.
    const auto p = readCusumParameters(txtKvalue, txtHvalue, txtSigma);
    if (!p) return;
    const bool previous = optPre->isChecked();
    const int speed = optMedium->isChecked() ? kMediumDelay : optSlow->isChecked() ? kSlowDelay : kFastDelay;
    try {
        CusumRun::checkPointFiles(v_, previous);
    } catch (const AppError& e) {
        return dialogs().warning(e.description());
    }
    // Busy from the kernel on, as long as the run computes and animates.
    const BusyPointer busy(ctx_.frame());
    CusumRun::PointWork work;
    try {
        work = CusumRun::computePoints(v_, previous, p->k, p->h, p->sigma, picPoint->transformInput());
    } catch (const AppError& e) {
        return dialogs().warning(e.description());
    }
    // The run starts: its points, map and results replace the last run's,
    // and nothing of a selection on the last run's map stays (a radius, a
    // point's name; the tool stays chosen).
    clearQuietly(lstPeriod);
    clearQuietly(lstRegion);
    lblDisplay->clear();
    const std::vector<std::string> lines = std::move(work.lines);
    std::optional<modFunctions::HullResult> hull = std::move(work.hull);
    CusumRun::commitPoints(v_, std::move(work));
    picPoint->copyPoints();
    drawing([&] { picPoint->DrawPointMap(); });
    // The plain map stores the points' pixels in their own order; the hull
    // measured from them, its vertices first, takes their place after it.
    if (hull) modFunctions::CommitConvexHull(ctx_.state.points, std::move(*hull));
    animate(lines, speed);
}

void frmUnivariateCusumTextfile::animate(const std::vector<std::string>& lines, int delay) {
    const PointCusum::Result& r = *v_.result;
    const std::uint64_t generation = ++generation_;
    setAnimating(true);
    lstPeriod->addItem(QString::fromStdString(lines[0]));
    lstPeriod->addItem(QString::fromStdString(lines[1]));

    // The maximum chart keeps its own data: h in column 1 throughout, the
    // saved maxima at once, each new period's maximum when it is shown.
    chart1Data_ = CusumChart::show(MSChart1, r.periods(), r.h, r.savedPeriods,
                                   [&](Eigen::Index p) { return r.savedMaxCusum[static_cast<std::size_t>(p)]; });
    for (std::int32_t p = 1; p <= r.savedPeriods; ++p)
        lstPeriod->addItem(QString::fromStdString(lines[static_cast<std::size_t>(p) + 1]));

    QPointer<frmUnivariateCusumTextfile> self(this);
    // However the animation ends, a failure within a frame included, the
    // window answers again, unless a newer run owns the controls.
    const auto unlock = qScopeGuard([&] {
        if (self && generation_ == generation) setAnimating(false);
    });
    WaitingAction animation(this, [self, generation] { return self && self->stillRunning(generation); });
    for (std::int32_t p = r.savedPeriods + 1; p <= r.periods(); ++p) {
        const bool waited = animation.wait(periodWait(delay));
        if (!self || !waited || !stillRunning(generation)) {
            // Closed, or replaced by a newer run, which owns the controls;
            // stopped for a Run, it ends on the period it shows.
            if (self && generation_ == generation) setAnimating(false);
            if (self && stillRunning(generation)) selectPeriodRow(p);
            return;
        }
        v_.shownPeriod = p;
        drawing([&] { picPoint->DrawCusumPointMap(r.cusum, p, r.h); });
        chart1Data_(p - 1, 0) = r.maxCusum[static_cast<std::size_t>(p)];
        MSChart1->setValue(p - 1, 0, chart1Data_(p - 1, 0));
        lstPeriod->addItem(QString::fromStdString(lines[static_cast<std::size_t>(p) + 1]));
        lblY->setText("Period: " + QString::number(p));
    }
    lstPeriod->addItem(QString::fromStdString(lines.back()));
    setAnimating(false);
    cmdSaveResult->setEnabled(true);
    cmdSaveCusum->setEnabled(true);
    selectPeriodRow(r.periods() + 1);
}

// ---- Lists and charts ----

void frmUnivariateCusumTextfile::selectPeriodRow(int row) {
    quietly(lstPeriod, [row](QListWidget* l) { l->setCurrentRow(row); });
    lstPeriod_Click();
}

void frmUnivariateCusumTextfile::lstPeriod_Click() {
    if (!v_.result) return;
    const int row = lstPeriod->currentRow();
    const std::int32_t p = row - 1;
    if (row < 2 || p > v_.result->periods()) {
        // A line that names no period shows none: no label, signalled
        // points, point chart or cusum circles, on the tools' redraws too.
        v_.shownPeriod = 0;
        v_.signaledPoints.clear();
        lblY->clear();
        clearQuietly(lstRegion);
        MSChart2->hide();
        picEachRegionInfo->hide();
        drawPeriodMap();
        return;
    }
    showPeriod(p);
}

void frmUnivariateCusumTextfile::showPeriod(std::int32_t p) {
    const PointCusum::Result& r = *v_.result;
    v_.shownPeriod = p;
    lblY->setText("Period: " + QString::number(p));
    v_.signaledPoints = PointCusum::SignalledPoints(r, p);
    clearQuietly(lstRegion);
    for (std::int32_t i : v_.signaledPoints)
        lstRegion->addItem(QString::fromStdString(
            CusumLines::signalledLine(r.cusum(i, p), r.labels[static_cast<std::size_t>(i)])));
    MSChart2->hide();
    picEachRegionInfo->hide();
    drawPeriodMap();
}

void frmUnivariateCusumTextfile::drawPeriodMap() {
    if (!v_.result) return;
    drawing([&] {
        if (v_.shownPeriod < 1)
            picPoint->DrawPointMap();
        else
            picPoint->DrawCusumPointMap(v_.result->cusum, v_.shownPeriod, v_.result->h);
    });
}

void frmUnivariateCusumTextfile::chartPoint(std::int32_t point) {
    const PointCusum::Result& r = *v_.result;
    // The point chart has its own data; the maximum chart is never touched.
    CusumChart::show(MSChart2, r.periods(), r.h, r.periods(), [&](Eigen::Index p) { return r.cusum(point, p); });
    lblEachRegionInfo->setText(QString::fromStdString(PointCusum::PointCaption(r, point, v_.shownPeriod)));
    picEachRegionInfo->show();
}

void frmUnivariateCusumTextfile::lstRegion_Click() {
    if (!v_.result) return;
    const int row = lstRegion->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= v_.signaledPoints.size()) return;
    const std::int32_t p = v_.signaledPoints[static_cast<std::size_t>(row)];
    v_.selectedPoint = p - 1;
    chartPoint(p);
    drawPeriodMap();
    drawing([&] { picPoint->HighlightPoint(p); });
}

// ---- Saves ----

void frmUnivariateCusumTextfile::cmdSaveCusum_Click() {
    if (!v_.result) return;
    FileDialogRequest request;
    request.filter = "cusum files (*.csm)|*.csm";
    request.defaultExt = "csm";
    request.extensionRequired = true;
    const FileDialogResult chosen = dialogs().saveFile(request);
    if (chosen.cancelled()) return;
    try {
        PointCusum::WriteCusumFile(chosen.fileName, *v_.result);
    } catch (const AppError& e) {
        dialogs().warning("The cusum file could not be written: " + e.description());
    }
}

void frmUnivariateCusumTextfile::cmdSaveResult_Click() {
    if (!v_.result) return;
    const TextSaveResult saved = saveTextFile([&] { return PointCusum::ReportLines(*v_.result); },
                                              [](SaveStep, const std::string&, const std::string& cause) {
                                                  return "The report could not be written: " + cause;
                                              });
    if (saved.cancelled()) {
        dialogs().warning("You didn't specify data file.");
        ctx_.frame().setMousePointer(0);
        cmdSaveResult->setEnabled(false);
        return;
    }
    // After a failure the button stays, so the report can go elsewhere.
    if (saved.written) cmdSaveResult->setEnabled(false);
}

// ---- Map tools ----

void frmUnivariateCusumTextfile::optMeasureDistance_Click() { lblDisplay->show(); }

void frmUnivariateCusumTextfile::optIdentify_Click() {
    lblDisplay->clear();
    lblDisplay->show();
}

void frmUnivariateCusumTextfile::picPoint_MouseDown(int, int, double X, double Y) {
    // During the animation the tools act on the period it shows; the
    // frames then go on from there.
    if (lstPeriod->count() == 0 || !v_.result) return;
    if (optZoomIn->isChecked()) {
        picPoint->zoomBy(kZoomStep);
        drawPeriodMap();
    } else if (optZoomOut->isChecked()) {
        picPoint->zoomBy(-kZoomStep);
        drawPeriodMap();
    } else if (optPan->isChecked()) {
        picPoint->startPan(X, Y);
    } else if (optFullExtent->isChecked()) {
        picPoint->fullExtent(kStartZoom);
        drawPeriodMap();
    } else if (optMeasureDistance->isChecked()) {
        v_.circleCentreX = X;
        v_.circleCentreY = Y;
        v_.view.dragStarted = true;
    } else if (optIdentify->isChecked()) {
        const std::int32_t q = picPoint->nearest(X, Y);
        if (q < 1 || q > v_.result->pointCount) return;
        drawPeriodMap();
        // The signalled points as the list shows them now.
        const auto& sig = v_.signaledPoints;
        bool listed = false;
        for (std::size_t k = 0; k < sig.size() && static_cast<int>(k) < lstRegion->count(); ++k)
            if (sig[k] == q) {
                quietly(lstRegion, [k](QListWidget* l) { l->setCurrentRow(static_cast<int>(k)); });
                lstRegion_Click();
                listed = true;
                break;
            }
        if (!listed) chartPoint(q);
        const QString id = QString::fromStdString(v_.result->labels[static_cast<std::size_t>(q)]);
        lblDisplay->setText("Selected Region: " + id);
        picPoint->setToolTip(id);
    }
}

void frmUnivariateCusumTextfile::picPoint_MouseMove(int Button, int, double X, double Y) {
    if (lstPeriod->count() == 0 || !v_.result || Button != 1 || !v_.view.dragStarted) return;
    if (optPan->isChecked()) {
        picPoint->dragTo(X, Y);
        drawPeriodMap();
    } else if (optMeasureDistance->isChecked()) {
        drawPeriodMap();
        const double r = std::pow(std::pow(v_.circleCentreX - X, 2) + std::pow(v_.circleCentreY - Y, 2), 0.5);
        picPoint->drawCircle(v_.circleCentreX, v_.circleCentreY, r, kGreen);
    }
}

void frmUnivariateCusumTextfile::picPoint_MouseUp(int Button, int, double X, double Y) {
    if (lstPeriod->count() == 0 || !v_.result) return;
    const bool selecting = optMeasureDistance->isChecked() && v_.view.dragStarted;
    // A selection starts from the period's map whichever button ends it, so
    // no squares or circle of an earlier one stay.
    if (Button == 1 || selecting) drawPeriodMap();
    if (selecting) {
        const double r = std::pow(std::pow(v_.circleCentreY - Y, 2) + std::pow(v_.circleCentreX - X, 2), 0.5);
        const auto& t = picPoint->transform();
        v_.selectionFlags = picPoint->pointsInCircle(v_.circleCentreX, v_.circleCentreY, r);
        drawing([&] { picPoint->DrawSelectedPoints(v_.selectionFlags); });
        picPoint->drawCircle(v_.circleCentreX, v_.circleCentreY, r, kGreen);
        if (t && t->scaleX != 0.0) {
            const std::string radius = formatMask(r / t->scaleX, "0");
            lblDisplay->setText("Radius: " + QString::fromStdString(formatGeneralDisplay(parseNumber(radius).value_or(0.0))));
        }
    }
    // The drag offset joins the pan once, wherever the button was released.
    picPoint->endPan();
}

void frmUnivariateCusumTextfile::picPoint_Click() {
    v_.view.dragX = 0.0;
    v_.view.dragY = 0.0;
}
