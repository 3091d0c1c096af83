#include "prospective/frmUnivariate.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <algorithm>
#include <limits>
#include <utility>

#include "platform/DbfTable.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "prospective/CusumChart.h"
#include "prospective/CusumFiles.h"
#include "prospective/CusumLines.h"
#include "prospective/CusumMapLink.h"
#include "prospective/CusumParameters.h"
#include "prospective/frmGraph.h"
#include "prospective/frmTxtFileOpen.h"
#include "prospective/modFileSaveOpen.h"
#include "stats/modCusum.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/LineChart.h"
#include "ui/TextSave.h"
#include "ui/WindowParts.h"

namespace {

using namespace WindowParts;

constexpr int kWidthTwips = 8400;
constexpr int kHeightTwips = 9560;
// The counts of the speed options, as animationDelay holds them.
constexpr std::int32_t kFastDelay = CusumRun::kFast.polygonDelay, kMediumDelay = CusumRun::kMedium.polygonDelay,
                       kSlowDelay = CusumRun::kSlow.polygonDelay;
// Cusum green, h red (BGR).
const std::vector<int> kSeriesColors = {0x00C000, 0x0000FF};

bool isNumericValue(const DbfValue& v) {
    if (v.IsNumber()) return true;
    if (v.kind == DbfValue::Kind::Text) return parseNumber(v.text).has_value();
    return false;
}

double numberOf(const DbfValue& v) { return v.IsNumber() ? v.number : parseNumber(v.text).value_or(0.0); }

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

Wait frmUnivariate::periodWait(std::int32_t animationDelay) { return CusumRun::periodWait(animationDelay); }

frmUnivariate::frmUnivariate(AppContext& ctx) : ctx_(ctx) {
    setObjectName("frmUnivariate");
    setWindowTitle("Univariate Cusum");
    setFixedSize(twipsToPixels(kWidthTwips), twipsToPixels(kHeightTwips));

    Frame2 = frameBox(this, "Frame2", "Parameters", twips(60, 60, 2400, 1500));
    Label1_0 = label(Frame2, "Label1", "k-value", twips(150, 330, 900, 255));
    txtKvalue = textBox(Frame2, "txtKvalue", "0.5", twips(1100, 300, 1150, 315));
    Label7 = label(Frame2, "Label7", "h-value", twips(150, 750, 900, 255));
    txtHvalue = textBox(Frame2, "txtHvalue", "9.3", twips(1100, 720, 1150, 315));
    Label11 = label(Frame2, "Label11", "sigma", twips(150, 1170, 900, 255));
    txtSigma = textBox(Frame2, "txtSigma", "0", twips(1100, 1140, 1150, 315));

    Frame5 = frameBox(this, "Frame5", "Data option", twips(2520, 60, 3300, 1500));
    optFieldSelection = option(Frame5, "optFieldSelection", "Fields selection", twips(120, 270, 3000, 255));
    Label1_1 = label(Frame5, "Label1", "from", twips(300, 615, 450, 255));
    cboStartZ = control<QComboBox>(Frame5, "cboStartZ", twips(780, 570, 2400, 315));
    Label2_1 = label(Frame5, "Label2", "to", twips(300, 975, 450, 255));
    cboEndZ = control<QComboBox>(Frame5, "cboEndZ", twips(780, 930, 2400, 315));
    optExistingTextfile = option(Frame5, "optExistingTextfile", "Existing text file", twips(120, 1260, 3000, 225));

    Frame4 = frameBox(this, "Frame4", "Start option", twips(5880, 60, 2460, 1100));
    optZero = option(Frame4, "optZero", "Zero", twips(150, 270, 1800, 240));
    optPre = option(Frame4, "optPre", "Previous", twips(150, 530, 1800, 240));
    optFIR = option(Frame4, "optFIR", "FIR", twips(150, 790, 1800, 240));
    Frame7 = frameBox(this, "Frame7", "Animation speed", twips(5880, 1180, 2460, 1100));
    optFast = option(Frame7, "optFast", "Fast", twips(150, 270, 1800, 240));
    optMedium = option(Frame7, "optMedium", "Medium", twips(150, 530, 1800, 240));
    optSlow = option(Frame7, "optSlow", "Slow", twips(150, 790, 1800, 240));

    Frame3 = frameBox(this, "Frame3", "Chart for maximum cusum", twips(60, 2340, 8280, 3000));
    MSChart1 = control<LineChart>(Frame3, "MSChart1", twips(60, 240, 6900, 2700));
    MSChart1->setSeriesColors(kSeriesColors);
    Label9 = control<QLabel>(Frame3, "Label9", twips(7050, 880, 300, 120));
    Label9->setStyleSheet("background-color: #00c000;");
    Label14 = label(Frame3, "Label14", "Cusum", twips(7420, 810, 800, 255));
    Label3 = control<QLabel>(Frame3, "Label3", twips(7050, 1280, 300, 120));
    Label3->setStyleSheet("background-color: #ff0000;");
    Label13 = label(Frame3, "Label13", "h-value", twips(7420, 1210, 800, 255));

    Frame1 = frameBox(this, "Frame1", "Maximum cusum value for each year", twips(60, 5400, 4200, 3300));
    lstPeriod = control<QListWidget>(Frame1, "lstPeriod", twips(90, 240, 4020, 2970));
    // One line per period, all of one font and height: as the list grows
    // during an animation its lines are not measured again one by one.
    lstPeriod->setUniformItemSizes(true);
    Frame6 = frameBox(this, "Frame6", "Signaled region and cusum for the year ", twips(4320, 5400, 4020, 3300));
    lblY = control<QLabel>(Frame6, "lblY", twips(150, 250, 900, 255));
    lstRegion = control<QListWidget>(Frame6, "lstRegion", twips(90, 540, 3840, 2670));

    Frame13 = frameBox(this, "Frame13", "", twips(60, 8760, 8280, 720));
    cmdCalc = button(Frame13, "cmdCalc", "&Run", twips(600, 210, 1700, 375));
    cmdSaveCusum = button(Frame13, "cmdSaveCusum", "&Save cusum", twips(3290, 210, 1700, 375));
    cmdSaveResult = button(Frame13, "cmdSaveResult", "&Save result", twips(5980, 210, 1700, 375));

    for (QComboBox* c : {cboStartZ, cboEndZ}) c->setEditable(false);

    onSignal(cmdCalc, &QPushButton::clicked, this, [this] { cmdCalc_Click(); });
    onSignal(cmdSaveCusum, &QPushButton::clicked, this, [this] { cmdSaveCusum_Click(); });
    onSignal(cmdSaveResult, &QPushButton::clicked, this, [this] { cmdSaveResult_Click(); });
    onSignal(cboStartZ, &QComboBox::activated, this, [this] { cboStartZ_Click(); });
    onSignal(cboEndZ, &QComboBox::activated, this, [this] { cboEndZ_Click(); });
    onSignal(optFieldSelection, &QRadioButton::clicked, this, [this] { optFieldSelection_Click(); });
    onSignal(optExistingTextfile, &QRadioButton::clicked, this, [this] { optExistingTextfile_Click(); });
    onSignal(optZero, &QRadioButton::clicked, this, [this] { optZero_Click(); });
    onSignal(optPre, &QRadioButton::clicked, this, [this] { optPre_Click(); });
    onSignal(optFIR, &QRadioButton::clicked, this, [this] { optFIR_Click(); });
    connectList(this, lstPeriod, &frmUnivariate::lstPeriod_Click);
    connectList(this, lstRegion, &frmUnivariate::lstRegion_Click);

    // The map's tool "Graph" charts the region it picked, and the region
    // list's chosen row follows the chart.
    onSignal(&ctx_.mapHub(), &MapHub::regionCharted, this, [this](int region) {
        if (ctx_.find<frmUnivariate>() != this || !hasRun_) return;
        ShowRegionChart(ctx_);
        showRowOf(region);
    });

    Form_Load();
}

void frmUnivariate::Form_Load() {
    move(twipsToPixels(8000), twipsToPixels(1));
    ctx_.state.cusum.animationDelay = kSlowDelay;
    MSChart1->setVisible(false);
    for (QListWidget* l : {lstPeriod, lstRegion}) {
        clearQuietly(l);
        l->setFont(listFont());
    }
    cmdSaveResult->setEnabled(false);
    fillFieldLists();
    selectOption(optZero, &frmUnivariate::optZero_Click);
    quietly(optFast, [](QRadioButton* b) { b->setChecked(true); });
    selectOption(optFieldSelection, &frmUnivariate::optFieldSelection_Click);
    optFIR->setEnabled(false);
    cboStartZ->setEnabled(true);
    cboEndZ->setEnabled(false);
}

void frmUnivariate::fillFieldLists() {
    for (QComboBox* c : {cboStartZ, cboEndZ}) {
        const QSignalBlocker block(c);
        c->clear();
        if (const auto& table = ctx_.state.area.dbfRecordset)
            for (const DbfField& f : table->Fields()) c->addItem(qs(f.Name));
        c->setCurrentIndex(-1);
    }
}

void frmUnivariate::clearRegionList() {
    clearQuietly(lstRegion);
}

void frmUnivariate::showRowOf(std::int32_t region) {
    const std::vector<std::int32_t>& listed = ctx_.state.cusum.signaledRegions;
    const auto it = std::find(listed.begin(), listed.end(), region + 1);
    const int row = it == listed.end() || lstRegion->count() != static_cast<int>(listed.size())
                        ? -1
                        : static_cast<int>(it - listed.begin());
    quietly(lstRegion, [row](QListWidget* l) {
        if (row < 0) l->clearSelection();
        l->setCurrentRow(row);
    });
}

void frmUnivariate::selectOption(QRadioButton* o, void (frmUnivariate::*handler)()) {
    quietly(o, [](QRadioButton* b) { b->setChecked(true); });
    (this->*handler)();
}

void frmUnivariate::selectFieldSelection() { selectOption(optFieldSelection, &frmUnivariate::optFieldSelection_Click); }
void frmUnivariate::selectExistingTextfile() {
    selectOption(optExistingTextfile, &frmUnivariate::optExistingTextfile_Click);
}
void frmUnivariate::selectZero() { selectOption(optZero, &frmUnivariate::optZero_Click); }
void frmUnivariate::selectPrevious() { selectOption(optPre, &frmUnivariate::optPre_Click); }
void frmUnivariate::selectSpeed(QRadioButton* speed) {
    quietly(speed, [](QRadioButton* b) { b->setChecked(true); });
}

void frmUnivariate::selectStartField(int index) {
    quietly(cboStartZ, [index](QComboBox* c) { c->setCurrentIndex(index); });
    cboStartZ_Click();
}

void frmUnivariate::selectEndField(int index) {
    quietly(cboEndZ, [index](QComboBox* c) { c->setCurrentIndex(index); });
    cboEndZ_Click();
}

void frmUnivariate::selectPeriodRow(int row) {
    quietly(lstPeriod, [row](QListWidget* l) { l->setCurrentRow(row); });
    lstPeriod_Click();
}

void frmUnivariate::selectRegionRow(int row) {
    quietly(lstRegion, [row](QListWidget* l) { l->setCurrentRow(row); });
    lstRegion_Click();
}

std::vector<std::string> frmUnivariate::periodLines() const { return fromList(lstPeriod); }
std::vector<std::string> frmUnivariate::regionLines() const { return fromList(lstRegion); }

template <class F>
void frmUnivariate::onMap(F&& draw) {
    try {
        draw();
    } catch (const AppError& e) {
        dialogs().warning("The map could not be drawn: " + e.description());
    }
}

// ---- Field range ----

bool frmUnivariate::checkField(int fieldIndex) {
    const auto& table = ctx_.state.area.dbfRecordset;
    if (!table || fieldIndex < 0 || fieldIndex >= table->FieldCount()) return false;
    for (std::int32_t r = 1; r <= table->RecordCount(); ++r) {
        const DbfValue v = table->ValueAt(r, fieldIndex);
        if (v.IsNull()) {
            dialogs().warning("Data include null values. Check data and try again!");
            return false;
        }
        if (v.IsTooWide()) {
            dialogs().warning("Data include " + v.InvalidText() + ". Check data and try again!");
            return false;
        }
        if (!isNumericValue(v)) {
            dialogs().warning("Data should be numerical values!");
            return false;
        }
    }
    return true;
}

void frmUnivariate::cboStartZ_Click() {
    const int index = cboStartZ->currentIndex();
    if (index < 0) return;
    ctx_.state.cusum.startFieldIndex = index;
    if (!checkField(index)) {
        quietly(cboStartZ, [](QComboBox* c) { c->setCurrentIndex(-1); });
        return;
    }
    cboEndZ->setEnabled(true);
}

void frmUnivariate::cboEndZ_Click() {
    const int index = cboEndZ->currentIndex();
    if (index < 0) return;
    CusumState& c = ctx_.state.cusum;
    c.endFieldIndex = index;
    if (c.startFieldIndex > c.endFieldIndex) {
        dialogs().warning("Start and end priods were not set improperly!");
        quietly(cboEndZ, [](QComboBox* b) { b->setCurrentIndex(-1); });
        return;
    }
    if (!checkField(index)) quietly(cboEndZ, [](QComboBox* b) { b->setCurrentIndex(-1); });
}

// ---- Options ----

void frmUnivariate::optFieldSelection_Click() {
    ctx_.unload<frmGraph>();
    cboStartZ->setEnabled(!animating_);
    cboEndZ->setEnabled(false);
    for (QComboBox* c : {cboStartZ, cboEndZ}) quietly(c, [](QComboBox* b) { b->setCurrentIndex(-1); });
}

void frmUnivariate::optExistingTextfile_Click() {
    ctx_.unload<frmGraph>();
    cboStartZ->setEnabled(false);
    cboEndZ->setEnabled(false);
    for (QComboBox* c : {cboStartZ, cboEndZ}) quietly(c, [](QComboBox* b) { b->setCurrentIndex(-1); });
}

void frmUnivariate::optZero_Click() {
    cmdSaveCusum->setEnabled(false);
    cmdSaveResult->setEnabled(false);
    ctx_.unload<frmTxtFileOpen>();
}

void frmUnivariate::optFIR_Click() { optZero_Click(); }

void frmUnivariate::optPre_Click() {
    cmdSaveCusum->setEnabled(false);
    cmdSaveResult->setEnabled(false);
}

// ---- Closing and a new study area ----

void frmUnivariate::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        cancelAnimation();
        Form_Unload();
    }
    event->accept();
}

void frmUnivariate::Form_Unload() {
    AppContext& ctx = ctx_;
    ctx.unload<frmGraph>();
    ctx.state.shared.cusumMapMode = false;
    if (!CusumMapLink::mapWindowOpen(ctx)) return;
    CusumMapLink::showLegend(ctx, false, false);
    CusumMapLink::setGraphTool(ctx, false, false);
    onMap([&] { CusumMapLink::showPlainMap(ctx); });
}

void frmUnivariate::cancelAnimation() {
    ++generation_;
    // A blink or flash still running belongs to the results being replaced.
    WaitingAction::stopAny();
    if (animating_) {
        setAnimatingControls(false);
        CusumMapLink::setMousePointer(ctx_, 0);
    }
}

void frmUnivariate::studyAreaOpened() {
    cancelAnimation();
    hasRun_ = false;
    cutShortFlash_ = -1;
    fillFieldLists();
    cboStartZ->setEnabled(optFieldSelection->isChecked());
    cboEndZ->setEnabled(false);
    clearQuietly(lstPeriod);
    clearRegionList();
    lblY->clear();
    ctx_.state.cusum.signaledRegions.clear();
    cmdSaveCusum->setEnabled(false);
    cmdSaveResult->setEnabled(false);
    MSChart1->setVisible(false);
    ctx_.unload<frmGraph>();
    ctx_.unload<frmTxtFileOpen>();
    CusumMapLink::setGraphTool(ctx_, false, false);
    CusumMapLink::showLegend(ctx_, false, false);
}

void frmUnivariate::setAnimatingControls(bool on) {
    const bool changed = animating_ != on;
    animating_ = on;
    for (QWidget* w : std::initializer_list<QWidget*>{txtKvalue, txtHvalue, txtSigma, optFieldSelection,
                                                      optExistingTextfile, optZero, optPre, optFast, optMedium,
                                                      optSlow})
        w->setEnabled(!on);
    cboStartZ->setEnabled(!on && optFieldSelection->isChecked());
    cboEndZ->setEnabled(!on && optFieldSelection->isChecked() && cboStartZ->currentIndex() >= 0);
    if (on) {
        cmdSaveCusum->setEnabled(false);
        cmdSaveResult->setEnabled(false);
    }
    if (changed) emit animatingChanged(on);
}

bool frmUnivariate::stillRunning(std::uint64_t generation) const {
    return !unloaded_ && generation_ == generation && ctx_.find<frmUnivariate>() == this;
}

// ---- The run ----

bool frmUnivariate::checkFieldRange() {
    const CusumState& c = ctx_.state.cusum;
    if (cboStartZ->currentIndex() < 0 || cboEndZ->currentIndex() < 0) {
        dialogs().warning("Both start and end period should be determined.");
        return false;
    }
    const auto start = static_cast<int>(c.startFieldIndex), end = static_cast<int>(c.endFieldIndex);
    if (start > end) {
        dialogs().warning("Start and end priods were not set improperly!");
        return false;
    }
    // Every field of the range, not only its ends, before anything changes.
    for (int f = start; f <= end; ++f)
        if (!checkField(f)) return false;
    return true;
}

bool frmUnivariate::readFieldPeriods(CusumRun::Periods& in) {
    AppState& s = ctx_.state;
    CusumState& c = s.cusum;
    if (!checkFieldRange()) return false;
    try {
        const auto start = static_cast<int>(c.startFieldIndex);
        const DbfTable& table = *s.area.dbfRecordset;
        const std::int32_t n = s.area.regionCount;
        in.count = static_cast<int>(c.endFieldIndex) - start + 1;
        in.z = Matrix::Zero(n + 1, in.count + 1);
        for (std::int32_t t = 1; t <= in.count; ++t)
            for (std::int32_t i = 1; i <= n; ++i) in.z(i, t) = numberOf(table.ValueAt(i, start + t - 1));
        in.names.assign(static_cast<std::size_t>(n) + 1, std::string());
        for (std::int32_t i = 1; i <= n; ++i)
            in.names[static_cast<std::size_t>(i)] =
                CusumLines::regionName(table, i, c.primaryIdField, c.secondaryIdField);
        in.fromText = false;
        return true;
    } catch (const std::bad_alloc&) {
        raiseOutOfMemory("frmUnivariate::readFieldPeriods", CusumRun::kOutOfMemoryText);
    }
}

bool frmUnivariate::readTextPeriods(CusumRun::Periods& in) {
    AppState& s = ctx_.state;
    FileDialogRequest request;
    request.filter = "Text File (*.txt)|*.txt";
    const FileDialogResult chosen = dialogs().openFile(request);
    if (chosen.cancelled()) return false;
    PeriodMatrixFile::Loaded loaded;
    try {
        loaded = PeriodMatrixFile::Read(chosen.fileName, s.area.regionCount, modCusum::Rows::Regions,
                                        CusumRun::kMostPeriods);
    } catch (const AppError& e) {
        dialogs().warning("The period file was not read: " + e.description());
        return false;
    }
    const std::int32_t n = s.area.regionCount;
    in.count = loaded.columns;
    in.z = std::move(loaded.z);
    try {
        in.names.assign(static_cast<std::size_t>(n) + 1, std::string());
        for (std::int32_t i = 1; i <= n && static_cast<std::size_t>(i) < s.cusum.cusumRegionIds.size(); ++i)
            in.names[static_cast<std::size_t>(i)] = s.cusum.cusumRegionIds[static_cast<std::size_t>(i)];
    } catch (const std::bad_alloc&) {
        raiseOutOfMemory("frmUnivariate::readTextPeriods", CusumRun::kOutOfMemoryText);
    }
    in.fromText = true;
    return true;
}

void frmUnivariate::cmdCalc_Click() {
    AppContext& ctx = ctx_;
    AppState& s = ctx.state;
    // Until a run starts (a refused one never does) the last run's lists,
    // charts and map tools stay as they are and keep answering.
    const auto p = readCusumParameters(txtKvalue, txtHvalue, txtSigma);
    if (!p) return;
    const std::int32_t delay = optMedium->isChecked() ? kMediumDelay : optSlow->isChecked() ? kSlowDelay : kFastDelay;
    s.cusum.animationDelay = delay;
    if (optPre->isChecked()) {
        // The continuation dialog takes the run from here with these; the
        // last run keeps its own k and h meanwhile.
        s.cusum.continuationK = p->k;
        s.cusum.continuationH = p->h;
        ctx.show<frmTxtFileOpen>();
        return;
    }
    if (!optZero->isChecked()) return;
    startRun([this, k = p->k, h = p->h, sigma = p->sigma] { runRoad(k, h, sigma, nullptr, {}); });
}

void frmUnivariate::startRun(std::function<void()> run) {
    // A run animates in waits of its own, so one asked for while a wait
    // goes on (this run's animation, a flash, a blink of the map) stops
    // that wait and starts only once its handler has returned. What can
    // be checked before is checked first: a refused run stops nothing.
    const bool stopsAWait = WaitingAction::busy();
    if (stopsAWait && optFieldSelection->isChecked() && !checkFieldRange()) return;
    QPointer<frmUnivariate> self(this);
    const std::int64_t area = ctx_.state.area.generation;
    WaitingAction::deferUntilIdle([this, self, area, stopsAWait, run = std::move(run)] {
        if (!self || unloaded_ || ctx_.state.area.generation != area) return;
        const std::uint64_t generation = generation_;
        run();
        if (!self) return;
        const std::int32_t owedChart = std::exchange(cutShortFlash_, -1);
        // Refused after all (no period file chosen, data the cusum cannot
        // be computed on): the last run goes on, its map without what the
        // stopped wait drew on it, and a flash it cut short charts its
        // region, which its list row names.
        if (!stopsAWait || generation_ != generation || !hasRun_) return;
        if (ctx_.state.shared.cusumMapMode)
            onMap([&] { CusumMapLink::showPeriod(ctx_, ctx_.state.shared.currentPeriod); });
        if (owedChart >= 0 && ctx_.state.shared.selectedRegion == owedChart) ShowRegionChart(ctx_);
    });
}

void frmUnivariate::continueRun(const Continuation& from) {
    if (!optFieldSelection->isChecked() && !optExistingTextfile->isChecked()) return;
    // The bandwidth is read again; k, h and the speed are the Run's.
    const auto sigma = parseNumber(txtSigma->text().toStdString());
    std::string refusal;
    if (!sigma) refusal = "The bandwidht should be properly input.";
    else if (*sigma < 0.0) refusal = "Parameters should be positive values.";
    // Refused at once, it stops no wait.
    if (!refusal.empty() && WaitingAction::busy()) {
        dialogs().warning(refusal);
        return;
    }
    startRun([this, from, refusal, sigma = sigma.value_or(0.0)] {
        const CusumState& c = ctx_.state.cusum;
        runRoad(c.continuationK, c.continuationH, sigma, &from, refusal);
    });
}

void frmUnivariate::runRoad(double k, double h, double sigma, const Continuation* from,
                            const std::string& sigmaRefusal) {
    const BusyPointer busy(ctx_.frame());
    CusumRun::Work work;
    try {
        CusumRun::checkArea(ctx_.state, from);
        if (!sigmaRefusal.empty()) return dialogs().warning(sigmaRefusal);
        CusumRun::Periods in;
        const bool read = optFieldSelection->isChecked()     ? readFieldPeriods(in)
                          : optExistingTextfile->isChecked() ? readTextPeriods(in)
                                                             : false;
        if (!read) return;
        work = CusumRun::compute(ctx_.state, std::move(in), k, h, sigma, from);
    } catch (const AppError& e) {
        return dialogs().warning(CusumRun::failureText(e));
    }
    // Everything is computed: the run starts, and its results replace the
    // earlier run's with everything that showed them.
    clearForNewRun();
    const std::int32_t periods = work.periods;
    const bool fromText = work.fromText;
    CusumRun::commit(ctx_.state, std::move(work));
    hasRun_ = true;
    animate(periods, from, fromText);
}

void frmUnivariate::clearForNewRun() {
    cancelAnimation();
    cutShortFlash_ = -1;
    ctx_.unload<frmGraph>();
    clearQuietly(lstPeriod);
    clearRegionList();
    lblY->clear();
    ctx_.state.cusum.signaledRegions.clear();
    onMap([&] { CusumMapLink::showPlainMap(ctx_); });
    lstPeriod->addItem(qs(CusumLines::periodHeader()));
    lstPeriod->addItem(qs(CusumLines::rule()));
}

void frmUnivariate::setUpMaxChart(std::int32_t rows, const DoubleArray& before) {
    CusumState& c = ctx_.state.cusum;
    const auto known = static_cast<Eigen::Index>(before.empty() ? 0 : before.size() - 1);
    c.maxChartData = CusumChart::show(MSChart1, rows, c.hValue, known,
                                      [&](Eigen::Index p) { return before[static_cast<std::size_t>(p)]; });
}

void frmUnivariate::updateMaxChart(std::int32_t p, std::int32_t offset) {
    CusumState& c = ctx_.state.cusum;
    const std::int32_t row = offset + p;
    if (p < 1 || row > c.maxChartData.rows()) return;
    c.maxChartData(row - 1, 0) = c.maxCusum[static_cast<std::size_t>(p)];
    // The one new maximum moves its point; the rest of the chart stays.
    MSChart1->setValue(row - 1, 0, c.maxChartData(row - 1, 0));
}

void frmUnivariate::listMaxCusum(std::int16_t p) {
    const CusumState& c = ctx_.state.cusum;
    const auto k = static_cast<std::size_t>(p);
    if (p < 1 || k >= c.maxCusum.size()) return;
    const auto label = static_cast<std::int64_t>(p) + static_cast<std::int64_t>(c.periodLabelOffset);
    lstPeriod->addItem(qs(CusumLines::periodLine(label, c.maxCusum[k], c.maxCusumRegion[k])));
}

void frmUnivariate::animate(std::int32_t periods, const Continuation* from, bool fromText) {
    AppContext& ctx = ctx_;
    const std::uint64_t generation = generation_;
    const bool withPrevious = from && from->previousAndCurrent;
    const auto offset = static_cast<std::int32_t>(ctx.state.cusum.periodLabelOffset);
    if (withPrevious)
        setUpMaxChart(offset + periods, from->previousMax);
    else
        setUpMaxChart(periods);
    setAnimatingControls(true);
    QPointer<frmUnivariate> self(this);
    // A failure within a frame leaves the window answering, as the end of
    // the animation does.
    const auto unlock = qScopeGuard([&] {
        if (self && generation_ == generation) setAnimatingControls(false);
    });
    WaitingAction animation(this, [self, generation] { return self && self->stillRunning(generation); });
    for (std::int32_t t = 1; t <= periods; ++t) {
        const bool waited = animation.wait(periodWait(ctx.state.cusum.animationDelay));
        if (!self || !waited || !stillRunning(generation)) {
            // Stopped for a Run that starts once this has returned: the
            // animation ends on the period it shows, with which the last
            // run goes on working if that Run is refused.
            if (self && stillRunning(generation)) stopOnPeriodShown(t - 1);
            return;
        }
        ctx.state.cusum.periodIndex = static_cast<std::int16_t>(t);
        // A redraw meanwhile (a resize, a zoom, a pan) shows this period too.
        ctx.state.shared.currentPeriod = static_cast<std::int16_t>(t);
        ctx.state.shared.cusumMapMode = true;
        onMap([&] { CusumMapLink::showPeriod(ctx, static_cast<std::int16_t>(t)); });
        if (!self || !stillRunning(generation)) return;
        updateMaxChart(t, withPrevious ? offset : 0);
        listMaxCusum(static_cast<std::int16_t>(t));
        // A continuation shows the legend once, at its end.
        if (!from) CusumMapLink::showLegend(ctx, true, true);
    }
    setAnimatingControls(false);
    // A continuation on a period matrix file ends its list with the last
    // period and leaves the legend as it was.
    if (!from || !fromText) lstPeriod->addItem(qs(CusumLines::rule()));
    if (from && !fromText) CusumMapLink::showLegend(ctx, true, true);
    cmdSaveResult->setEnabled(true);
    cmdSaveCusum->setEnabled(from == nullptr);
    selectPeriodRow(periods + 1);
    CusumMapLink::setGraphTool(ctx, true, true);
    ctx.state.shared.cusumMapMode = true;
}

void frmUnivariate::stopOnPeriodShown(std::int32_t period) {
    setAnimatingControls(false);
    selectPeriodRow(period + 1);
}

// ---- Lists ----

void frmUnivariate::lstPeriod_Click() {
    if (!hasRun_) return;
    AppContext& ctx = ctx_;
    AppState& s = ctx.state;
    const auto periods = static_cast<std::int32_t>(s.cusum.periodCount);
    const int period = lstPeriod->currentRow() - 1;
    if (period < 1 || period > periods) {
        lblY->clear();
        CusumMapLink::setGraphTool(ctx, false, true);
        clearRegionList();
        s.cusum.signaledRegions.clear();
        onMap([&] { CusumMapLink::showPlainMap(ctx); });
        return;
    }
    s.shared.currentPeriod = static_cast<std::int16_t>(period);
    onMap([&] { CusumMapLink::showPeriod(ctx, s.shared.currentPeriod); });
    lblY->setText(QString::number(period));
    CusumMapLink::setGraphTool(ctx, true, true);
    listSignaledRegion();
    s.shared.cusumMapMode = true;
}

void frmUnivariate::listSignaledRegion() {
    AppState& s = ctx_.state;
    CusumState& c = s.cusum;
    c.signaledRegions.clear();
    clearRegionList();
    if (!s.area.dbfRecordset) return;
    const DbfTable& table = *s.area.dbfRecordset;
    const std::int16_t period = s.shared.currentPeriod;
    if (period < 1 || period >= c.cusumValues.cols()) return;
    const std::int32_t rows = std::min<std::int32_t>(table.RecordCount(), static_cast<std::int32_t>(c.cusumValues.rows()) - 1);
    for (std::int32_t i = 1; i <= rows; ++i) {
        const double v = c.cusumValues(i, period);
        if (!modCusum::Signals(v, c.hValue)) continue;
        const std::string name = CusumLines::regionName(table, i, c.primaryIdField, c.secondaryIdField);
        lstRegion->addItem(qs(CusumLines::signalledLine(v, name)));
        c.signaledRegions.push_back(i);
    }
    s.area.dbfRecordset->MoveFirst();
}

void frmUnivariate::lstRegion_Click() { flashRegion(); }

void frmUnivariate::flashRegion() {
    AppContext& ctx = ctx_;
    AppState& s = ctx.state;
    const int row = lstRegion->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= s.cusum.signaledRegions.size()) return;
    QPointer<frmUnivariate> self(this);
    const std::int32_t region = s.cusum.signaledRegions[static_cast<std::size_t>(row)] - 1;
    s.shared.selectedRegion = region;
    cutShortFlash_ = -1;
    // A region chosen during a blink or an animation is charted at once
    // and not flashed: the flash would run inside the other wait.
    WaitingAction flash(this, [self] { return self && !self->unloaded_; });
    if (!flash.started()) {
        ShowRegionChart(ctx);
        return;
    }
    for (int i = 0; i < 3; ++i) {
        onMap([&] { CusumMapLink::highlightRegion(ctx, region); });
        // Stopped: whoever stopped it shows what comes next. That is a Run,
        // which starts once this has returned, or what withdraws these
        // results; a Run refused after all charts the region then.
        if (!flash.wait(kFlash) || !self) {
            if (self && !unloaded_ && hasRun_ && s.shared.selectedRegion == region) cutShortFlash_ = region;
            return;
        }
        onMap([&] { CusumMapLink::redrawOutlines(ctx); });
    }
    // A region charted during the flash (another row, the map's Graph) was
    // charted when it was picked, and its row chosen; the latest pick is
    // the one charted. An identify meanwhile only looked a region up.
    if (s.shared.selectedRegion == region) ShowRegionChart(ctx);
    onMap([&] { CusumMapLink::showPeriod(ctx, s.shared.currentPeriod); });
}

// ---- Saving ----

void frmUnivariate::cmdSaveCusum_Click() {
    const modFileSaveOpen::Outcome o = modFileSaveOpen::SaveCusumFile(ctx_);
    if (o == modFileSaveOpen::Outcome::Failed) return;  // kept, so the save can be tried again
    cmdSaveResult->setEnabled(false);
    cmdSaveCusum->setEnabled(false);
}

void frmUnivariate::cmdSaveResult_Click() {
    const TextSaveResult saved = saveTextFile(
        [&] { return CusumLines::report(ctx_.state.cusum, ctx_.state.area.regionCount); },
        [](SaveStep, const std::string& file, const std::string& cause) {
            return "The result could not be saved to \"" + file + "\": " + cause;
        });
    if (!saved.written) return;
    cmdSaveResult->setEnabled(false);
}
