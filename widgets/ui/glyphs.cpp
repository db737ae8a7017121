#include "widgets/ui/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tv {

QIcon GlyphIcon(Glyph glyph, const QColor& colour, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPen pen(colour, s / 12.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
        case Glyph::DeleteRows:  // three rows and a cross
            for (int i = 0; i < 3; ++i)
                p.drawLine(QPointF(s * 0.1, s * (0.25 + 0.2 * i)),
                           QPointF(s * 0.5, s * (0.25 + 0.2 * i)));
            p.drawLine(QPointF(s * 0.6, s * 0.35), QPointF(s * 0.9, s * 0.65));
            p.drawLine(QPointF(s * 0.9, s * 0.35), QPointF(s * 0.6, s * 0.65));
            break;
        case Glyph::SelectAll:  // rows inside a frame
            p.drawRect(QRectF(s * 0.12, s * 0.15, s * 0.76, s * 0.7));
            for (int i = 0; i < 3; ++i)
                p.drawLine(QPointF(s * 0.25, s * (0.32 + 0.18 * i)),
                           QPointF(s * 0.75, s * (0.32 + 0.18 * i)));
            break;
        case Glyph::AddToPlaylist: {  // a note and a plus
            p.setBrush(colour);
            p.drawEllipse(QRectF(s * 0.12, s * 0.62, s * 0.22, s * 0.18));
            p.drawLine(QPointF(s * 0.33, s * 0.7), QPointF(s * 0.33, s * 0.18));
            p.drawLine(QPointF(s * 0.33, s * 0.18), QPointF(s * 0.5, s * 0.28));
            p.drawLine(QPointF(s * 0.55, s * 0.55), QPointF(s * 0.9, s * 0.55));
            p.drawLine(QPointF(s * 0.725, s * 0.38), QPointF(s * 0.725, s * 0.72));
            break;
        }
        case Glyph::Information:  // an "i" in a circle
            p.drawEllipse(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8));
            p.drawLine(QPointF(s * 0.5, s * 0.45), QPointF(s * 0.5, s * 0.72));
            p.drawPoint(QPointF(s * 0.5, s * 0.3));
            break;
        case Glyph::BurnDisc:  // a disc with its hole and a flame
            p.drawEllipse(QRectF(s * 0.08, s * 0.2, s * 0.65, s * 0.65));
            p.drawEllipse(QRectF(s * 0.34, s * 0.46, s * 0.13, s * 0.13));
            p.drawLine(QPointF(s * 0.82, s * 0.1), QPointF(s * 0.92, s * 0.32));
            p.drawLine(QPointF(s * 0.92, s * 0.32), QPointF(s * 0.78, s * 0.38));
            break;
        case Glyph::Export:  // a sheet and an arrow out of it
            p.drawRect(QRectF(s * 0.1, s * 0.12, s * 0.5, s * 0.76));
            p.drawLine(QPointF(s * 0.4, s * 0.5), QPointF(s * 0.92, s * 0.5));
            p.drawLine(QPointF(s * 0.78, s * 0.36), QPointF(s * 0.92, s * 0.5));
            p.drawLine(QPointF(s * 0.78, s * 0.64), QPointF(s * 0.92, s * 0.5));
            break;
        case Glyph::Search:  // a magnifying glass
            p.drawEllipse(QRectF(s * 0.12, s * 0.12, s * 0.48, s * 0.48));
            p.drawLine(QPointF(s * 0.55, s * 0.55), QPointF(s * 0.88, s * 0.88));
            break;
        case Glyph::Orphans:  // a sheet crossed out
            p.drawRect(QRectF(s * 0.18, s * 0.1, s * 0.5, s * 0.7));
            p.drawLine(QPointF(s * 0.55, s * 0.55), QPointF(s * 0.9, s * 0.9));
            p.drawLine(QPointF(s * 0.9, s * 0.55), QPointF(s * 0.55, s * 0.9));
            break;
        case Glyph::Doubles:  // two sheets, one behind the other
            p.drawRect(QRectF(s * 0.1, s * 0.1, s * 0.5, s * 0.6));
            p.drawRect(QRectF(s * 0.38, s * 0.3, s * 0.5, s * 0.6));
            break;
        case Glyph::PlaylistOpen:  // a list and an arrow into it
        case Glyph::PlaylistSave:
            for (int i = 0; i < 3; ++i)
                p.drawLine(QPointF(s * 0.1, s * (0.25 + 0.2 * i)),
                           QPointF(s * 0.5, s * (0.25 + 0.2 * i)));
            p.drawLine(QPointF(s * 0.75, s * 0.2), QPointF(s * 0.75, s * 0.8));
            if (glyph == Glyph::PlaylistOpen) {
                p.drawLine(QPointF(s * 0.6, s * 0.35), QPointF(s * 0.75, s * 0.2));
                p.drawLine(QPointF(s * 0.9, s * 0.35), QPointF(s * 0.75, s * 0.2));
            } else {
                p.drawLine(QPointF(s * 0.6, s * 0.65), QPointF(s * 0.75, s * 0.8));
                p.drawLine(QPointF(s * 0.9, s * 0.65), QPointF(s * 0.75, s * 0.8));
            }
            break;
        case Glyph::Random:  // a die
            p.drawRoundedRect(QRectF(s * 0.15, s * 0.15, s * 0.7, s * 0.7), s * 0.1, s * 0.1);
            p.setBrush(colour);
            for (const QPointF& dot : {QPointF(0.33, 0.33), QPointF(0.5, 0.5), QPointF(0.67, 0.67)})
                p.drawEllipse(QPointF(s * dot.x(), s * dot.y()), s * 0.05, s * 0.05);
            break;
        case Glyph::Player: {  // a play triangle
            QPainterPath triangle;
            triangle.moveTo(s * 0.3, s * 0.2);
            triangle.lineTo(s * 0.8, s * 0.5);
            triangle.lineTo(s * 0.3, s * 0.8);
            triangle.closeSubpath();
            p.drawPath(triangle);
            break;
        }
        case Glyph::CopyToFolder:  // a sheet and an arrow into a folder
            p.drawRect(QRectF(s * 0.1, s * 0.1, s * 0.35, s * 0.45));
            p.drawRect(QRectF(s * 0.5, s * 0.5, s * 0.4, s * 0.35));
            p.drawLine(QPointF(s * 0.3, s * 0.6), QPointF(s * 0.3, s * 0.7));
            p.drawLine(QPointF(s * 0.3, s * 0.7), QPointF(s * 0.45, s * 0.7));
            break;
        case Glyph::DeleteFiles:  // a sheet and a cross
            p.drawRect(QRectF(s * 0.12, s * 0.1, s * 0.45, s * 0.7));
            p.drawLine(QPointF(s * 0.6, s * 0.55), QPointF(s * 0.92, s * 0.9));
            p.drawLine(QPointF(s * 0.92, s * 0.55), QPointF(s * 0.6, s * 0.9));
            break;
        case Glyph::Cover:  // a picture: frame, sun and hill
            p.drawRect(QRectF(s * 0.1, s * 0.15, s * 0.8, s * 0.7));
            p.drawEllipse(QPointF(s * 0.35, s * 0.38), s * 0.08, s * 0.08);
            p.drawLine(QPointF(s * 0.15, s * 0.8), QPointF(s * 0.5, s * 0.5));
            p.drawLine(QPointF(s * 0.5, s * 0.5), QPointF(s * 0.85, s * 0.8));
            break;
        case Glyph::Scan:  // a scanner lid and its light
            p.drawRect(QRectF(s * 0.1, s * 0.45, s * 0.8, s * 0.35));
            p.drawLine(QPointF(s * 0.1, s * 0.35), QPointF(s * 0.9, s * 0.2));
            p.drawLine(QPointF(s * 0.2, s * 0.62), QPointF(s * 0.8, s * 0.62));
            break;
        case Glyph::AutoAdd:  // a folder and a plus
        case Glyph::Browse: {
            QPainterPath folder;
            folder.moveTo(s * 0.08, s * 0.3);
            folder.lineTo(s * 0.35, s * 0.3);
            folder.lineTo(s * 0.42, s * 0.38);
            folder.lineTo(s * 0.8, s * 0.38);
            folder.lineTo(s * 0.8, s * 0.8);
            folder.lineTo(s * 0.08, s * 0.8);
            folder.closeSubpath();
            p.drawPath(folder);
            if (glyph == Glyph::AutoAdd) {
                p.drawLine(QPointF(s * 0.62, s * 0.18), QPointF(s * 0.95, s * 0.18));
                p.drawLine(QPointF(s * 0.785, s * 0.02), QPointF(s * 0.785, s * 0.34));
            }
            break;
        }
    }
    return QIcon(pixmap);
}

}  // namespace tv
