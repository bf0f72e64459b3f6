#include "look.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>

namespace varnel::form {

void applyLook(QApplication& application) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        application.setStyle(fusion);
    }
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(7.5);
    application.setFont(font);
}

}  // namespace varnel::form
