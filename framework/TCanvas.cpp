#include "TCanvas.h"

#include <QFontMetrics>

void TCanvas::FillRect(const QRect &rect)
{
    m_painter->fillRect(rect, toQColor(m_brush));
}

void TCanvas::TextOut(int x, int y, const QString &text)
{
    m_painter->save();
    m_painter->setPen(toQColor(m_font));
    const QFontMetrics metrics(m_painter->font());
    m_painter->drawText(QPoint(x, y + metrics.ascent()), text);
    m_painter->restore();
}

void TCanvas::DrawFocusRect(const QRect &rect)
{
    m_painter->save();
    // Inverting, so that drawing it twice takes it away again.
    m_painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white);
    pen.setStyle(Qt::DotLine);
    pen.setWidth(0);
    m_painter->setPen(pen);
    m_painter->setBrush(Qt::NoBrush);
    m_painter->drawRect(rect.adjusted(0, 0, -1, -1));
    m_painter->restore();
}

void TCanvas::BrushCopy(const QRect &dest, const TBitmap &bitmap, const QRect &source, TColor transparentColor)
{
    if (bitmap.Empty() || dest.isEmpty())
        return;
    // Parts of the source outside the bitmap come out fully transparent.
    QImage part = bitmap.image().convertToFormat(QImage::Format_ARGB32).copy(source);
    const QRgb key = toQColor(transparentColor).rgb() & 0x00FFFFFF;
    const QRgb brush = toQColor(m_brush).rgba();
    for (int y = 0; y < part.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(part.scanLine(y));
        for (int x = 0; x < part.width(); ++x) {
            if (qAlpha(line[x]) == 255 && (line[x] & 0x00FFFFFF) == key)
                line[x] = brush;
        }
    }
    m_painter->drawImage(dest, part, part.rect());
}
