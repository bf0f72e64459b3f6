#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "form_access.h"

namespace varnel::commands {

// The outcome of checking a unit-number text against the units a file holds.
struct UnitNumberCheck {
    std::optional<std::int64_t> unit;  // set when the text names a unit of the file
    QString problem;                   // otherwise what is wrong, for the user
};

// A unit number must be a whole number (blanks around it allowed, "7.0" counts as 7).
std::optional<std::int64_t> wholeUnitNumber(const QString& text);

// The unit-number text must name a unit from 0 to highest. purpose is put after the number in
// the message, as in "There is no unit 150 to replace: ...".
UnitNumberCheck checkUnitNumber(const QString& text, std::int64_t highest,
                                const QString& purpose = QString());

// The unit whose number stands in the text field control, when it names a unit of the file;
// otherwise the problem is reported and the result is nullopt.
std::optional<std::int64_t> unitInForm(FormAccess& form, controls::TextField control,
                                       std::int64_t highest, const QString& purpose = QString());

// "units 0 to 99", "unit 0 only" or "no units", for messages.
QString unitsHeld(std::int64_t highest);

}  // namespace varnel::commands
