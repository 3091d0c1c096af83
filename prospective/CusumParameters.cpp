#include "prospective/CusumParameters.h"

#include <QLineEdit>

#include "platform/Format.h"
#include "ui/Dialogs.h"

std::optional<CusumParameters> readCusumParameters(const QLineEdit* k, const QLineEdit* h, const QLineEdit* sigma) {
    const auto kValue = parseNumber(k->text().toStdString());
    const auto hValue = parseNumber(h->text().toStdString());
    const auto sigmaValue = parseNumber(sigma->text().toStdString());
    if (!kValue || !hValue || !sigmaValue) {
        dialogs().warning("Parameters are not properly input.");
        return std::nullopt;
    }
    if (*kValue < 0.0 || *hValue < 0.0 || *sigmaValue < 0.0) {
        dialogs().warning("Parameters should be positive values.");
        return std::nullopt;
    }
    return CusumParameters{*kValue, *hValue, *sigmaValue};
}
