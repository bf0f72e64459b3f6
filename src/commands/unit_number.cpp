#include "unit_number.h"

#include "data/numbers.h"
#include "report.h"

namespace varnel::commands {

std::optional<std::int64_t> wholeUnitNumber(const QString& text) {
    return data::wholeNumberFromText(text.toStdString());
}

QString unitsHeld(std::int64_t highest) {
    if (highest < 0) {
        return QStringLiteral("no units");
    }
    if (highest == 0) {
        return QStringLiteral("unit 0 only");
    }
    return QStringLiteral("units 0 to %1").arg(highest);
}

UnitNumberCheck checkUnitNumber(const QString& text, std::int64_t highest, const QString& purpose) {
    const std::optional<std::int64_t> unit = wholeUnitNumber(text);
    if (!unit) {
        if (text.trimmed().isEmpty()) {
            return {std::nullopt, QStringLiteral("The unit number is empty; type a whole number "
                                                 "for the unit.")};
        }
        return {std::nullopt,
                QStringLiteral("The unit number \"%1\" is not a whole number.").arg(text)};
    }
    if (*unit < 0 || *unit > highest) {
        return {std::nullopt, QStringLiteral("There is no unit %1%2: this file holds %3.")
                                  .arg(*unit)
                                  .arg(purpose.isEmpty() ? QString() : QLatin1Char(' ') + purpose)
                                  .arg(unitsHeld(highest))};
    }
    return {unit, QString()};
}

std::optional<std::int64_t> unitInForm(FormAccess& form, controls::TextField control,
                                       std::int64_t highest, const QString& purpose) {
    const UnitNumberCheck check = checkUnitNumber(form.text(control), highest, purpose);
    if (!check.unit) {
        report(Severity::Problem, check.problem);
    }
    return check.unit;
}

}  // namespace varnel::commands
