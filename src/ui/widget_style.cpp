#include "ui/widget_style.h"

#include <QPalette>
#include <QStringList>

namespace ui {

QFont windowFont() {
    QFont font(QStringList{"Tahoma", "DejaVu Sans Condensed", "DejaVu Sans"});
    font.setPixelSize(11);
    return font;
}

QFont fixedFont(int pixels) {
    QFont font(QStringList{"Lucida Console", "DejaVu Sans Mono"});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(pixels);
    return font;
}

QFont textBoxFont() {
    QFont font(QStringList{"Tahoma", "DejaVu Sans Condensed", "DejaVu Sans"});
    font.setPixelSize(13);
    return font;
}

QColor toQColor(app::Rgb colour) {
    return QColor(colour.r, colour.g, colour.b);
}

void paintBackground(QWidget* widget, QColor colour) {
    widget->setAutoFillBackground(true);
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, colour);
    widget->setPalette(colours);
}

}  // namespace ui
