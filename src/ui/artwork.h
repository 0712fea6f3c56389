// The window's pictures, drawn in code: the background, the logo and the two list icons.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace ui {

QPixmap backgroundPicture(QSize size);
QPixmap logoPicture(QSize size);
QIcon folderIcon();    // first icon of the firmware list: folders and links
QIcon firmwareIcon();  // second icon: files

}  // namespace ui
