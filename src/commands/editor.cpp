#include "editor.h"

#include <QFile>

#include "report.h"

namespace varnel::commands {

data::EquipmentFile* openFileOrReport(Editor& editor) {
    data::EquipmentFile* file = editor.file();
    if (file == nullptr) {
        report(Severity::Problem, QStringLiteral("Open an equipment file first."));
    }
    return file;
}

std::string pathFromText(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QString textFromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace varnel::commands
