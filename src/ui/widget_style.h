// The fonts and colours the main window's layout and its View adapter share.
#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

#include "app/view.h"

namespace ui {

QFont windowFont();
QFont fixedFont(int pixels);
QFont textBoxFont();
QColor toQColor(app::Rgb colour);
// Fills the widget's background with one colour.
void paintBackground(QWidget* widget, QColor colour);

}  // namespace ui
