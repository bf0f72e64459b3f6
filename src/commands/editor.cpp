#include "editor.h"

#include <QFile>

namespace varnel::commands {

std::string pathFromText(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QString textFromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace varnel::commands
