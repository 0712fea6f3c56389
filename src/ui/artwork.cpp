#include "ui/artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace ui {
namespace {

const QColor kNavy(0, 79, 157);

}  // namespace

QPixmap backgroundPicture(QSize size) {
    QPixmap picture(size);
    QPainter painter(&picture);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0.0, QColor(236, 244, 253));
    sky.setColorAt(0.4, QColor(203, 223, 248));
    sky.setColorAt(1.0, QColor(188, 211, 243));
    painter.fillRect(picture.rect(), sky);

    // A few soft arcs behind the upper controls.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 90), 18));
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        const int r = 260 + 70 * i;
        painter.drawEllipse(QPoint(size.width() - 40, -r / 2), r, r);
    }
    return picture;
}

QPixmap logoPicture(QSize size) {
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    // A swoosh under the word.
    QPainterPath swoosh;
    swoosh.moveTo(6, size.height() - 12);
    swoosh.cubicTo(size.width() * 0.35, size.height() - 2, size.width() * 0.7, size.height() - 6,
                   size.width() - 6, size.height() - 22);
    swoosh.cubicTo(size.width() * 0.7, size.height() - 12, size.width() * 0.35, size.height() - 8, 6,
                   size.height() - 12);
    painter.fillPath(swoosh, QColor(115, 177, 247));

    QFont font({"DejaVu Sans", "Sans Serif"});
    font.setPixelSize(28);
    font.setBold(true);
    font.setItalic(true);
    painter.setFont(font);
    painter.setPen(kNavy);
    painter.drawText(QRect(0, 0, size.width(), size.height() - 12), Qt::AlignCenter, "ARVEX");
    return picture;
}

QIcon folderIcon() {
    QPixmap icon(16, 16);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setPen(QColor(150, 110, 20));
    painter.setBrush(QColor(240, 200, 80));
    painter.drawRect(1, 3, 6, 3);
    painter.drawRect(1, 5, 13, 9);
    return QIcon(icon);
}

QIcon firmwareIcon() {
    QPixmap icon(16, 16);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setPen(kNavy);
    painter.setBrush(Qt::white);
    painter.drawRect(3, 1, 10, 13);
    painter.setPen(QColor(115, 177, 247));
    for (int y = 4; y <= 11; y += 2) painter.drawLine(5, y, 11, y);
    return QIcon(icon);
}

}  // namespace ui
