#pragma once

#include <QFileInfo>
#include <QString>

namespace varnel::form {

// The name list beside an equipment file: the same base name with ".txt" in any case, the case
// of the equipment file's own ending preferred; where there is none, the name it would have.
QString listBeside(const QFileInfo& equipment);

}  // namespace varnel::form
