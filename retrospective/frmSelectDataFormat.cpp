#include "retrospective/frmSelectDataFormat.h"

#include <QGroupBox>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>

#include "platform/Error.h"
#include "retrospective/PointCaseFile.h"
#include "retrospective/frmClusterDetectionTextfile.h"
#include "ui/Dialogs.h"
#include "ui/WindowParts.h"

using namespace WindowParts;

frmSelectDataFormat::frmSelectDataFormat(AppContext& ctx) : ctx_(ctx) {
    setObjectName("frmSelectDataFormat");
    setWindowTitle("Data Type");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(twipsToPixels(3240), twipsToPixels(1965));

    Frame1 = frameBox(this, "Frame1", "Data Format", twips(120, 120, 2985, 1095));
    optPopCase = option(Frame1, "optPopCase", "Population - Case", twips(240, 300, 2535, 255));
    optObsExp = option(Frame1, "optObsExp", "Obs - Exp", twips(240, 660, 2535, 255));
    cmdContinue = button(this, "cmdContinue", "&Continue", twips(240, 1380, 1215, 375));
    cmdCancel = button(this, "cmdCancel", "&Cancel", twips(1770, 1380, 1215, 375));
    // Of the two formats the first is taken unless the analyst says otherwise.
    optPopCase->setChecked(true);

    onSignal(cmdContinue, &QPushButton::clicked, this, [this] { cmdContinue_Click(); });
    onSignal(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    Form_Load();
}

void frmSelectDataFormat::Form_Load() {
    if (QMdiArea* area = ctx_.mainFrameLoader ? ctx_.mdiArea() : nullptr) {
        const QRect f = area->window()->frameGeometry();
        move((f.width() - frameGeometry().width()) / 2, (f.height() - frameGeometry().height()) / 3);
    }
}

void frmSelectDataFormat::cmdCancel_Click() { ctx_.unload<frmSelectDataFormat>(); }

void frmSelectDataFormat::cmdContinue_Click() {
    Dialogs& d = dialogs();
    FileDialogRequest request;
    request.filter = kFilter;
    const FileDialogResult chosen = d.openFile(request);
    if (chosen.cancelled()) {
        d.warning("You didn't specify textfile.");
        return;
    }
    const auto format = optObsExp->isChecked() ? PointCaseFile::Format::ObsExp : PointCaseFile::Format::PopulationCase;
    PointCaseFile::PointCaseData data;
    try {
        data = PointCaseFile::read(chosen.fileName, format);
    } catch (const AppError& e) {
        if (e.source() == PointCaseFile::kRefusalSource)
            d.warning(e.description());
        else
            d.warning("The point file \"" + chosen.fileName + "\" could not be read: " + e.description());
        return;
    }
    PointCaseFile::commit(ctx_.state, std::move(data));
    AppContext& ctx = ctx_;  // this dialog is gone after the next line
    ctx.unload<frmSelectDataFormat>();
    if (auto* w = ctx.find<frmClusterDetectionTextfile>()) w->pointDataLoaded();
}
