#include "file_pairs.h"

#include <QDir>

namespace varnel::form {

QString listBeside(const QFileInfo& equipment) {
    const QString base = equipment.completeBaseName();
    const bool upper =
        !equipment.suffix().isEmpty() && equipment.suffix() == equipment.suffix().toUpper();
    const QString preferred = base + (upper ? QStringLiteral(".TXT") : QStringLiteral(".txt"));
    const QDir folder = equipment.absoluteDir();
    QString found;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        if (name.size() == base.size() + 4 && name.startsWith(base) &&
            name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive)) {
            if (name == preferred) {
                return folder.filePath(name);
            }
            if (found.isEmpty()) {
                found = name;
            }
        }
    }
    return folder.filePath(found.isEmpty() ? preferred : found);
}

}  // namespace varnel::form
