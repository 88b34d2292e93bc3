#include "TCanvas.h"

#include <QFontMetrics>
#include <QHash>
#include <QStaticText>
#include <array>

void TCanvas::FillRect(const QRect &rect)
{
    m_painter->fillRect(rect, toQColor(m_brush));
}

namespace {
// Texts laid out once for a font: a grid repaints the same cell texts over and over, and laying
// a text out (shaping it) costs more than drawing its glyphs. Painting is on the GUI thread only.
struct LaidOutTexts
{
    QFont font;
    qreal ascent = 0;   // where the laid-out text's baseline is, below its top
    int baseline = 0;   // where TextOut puts it: the font's whole-pixel ascent
    QHash<QString, QStaticText> texts;
};

LaidOutTexts &laidOutFor(const QFont &font)
{
    static LaidOutTexts cache;
    if (!(cache.font == font) || cache.font.resolveMask() != font.resolveMask()) {
        cache.font = font;
        cache.ascent = QFontMetricsF(font).ascent();
        cache.baseline = QFontMetrics(font).ascent();
        cache.texts.clear();
    }
    // A long list scrolled through would otherwise keep every text it ever showed.
    constexpr qsizetype MostTexts = 4096;
    if (cache.texts.size() >= MostTexts)
        cache.texts.clear();
    return cache;
}
} // namespace

void TCanvas::TextOut(int x, int y, const QString &text)
{
    // Only the pen changes, and only it is put back: a whole save of the painter's state costs
    // more than a cell's text.
    const QPen before = m_painter->pen();
    m_painter->setPen(toQColor(m_font));
    LaidOutTexts &laidOut = laidOutFor(m_painter->font());
    auto it = laidOut.texts.find(text);
    if (it == laidOut.texts.end()) {
        QStaticText staticText(text);
        staticText.setTextFormat(Qt::PlainText);
        staticText.setPerformanceHint(QStaticText::AggressiveCaching);
        staticText.prepare(QTransform(), laidOut.font);
        it = laidOut.texts.insert(text, staticText);
    }
    // The top of the laid-out text, so that the baseline falls where a plain drawText puts it.
    m_painter->drawStaticText(QPointF(x, y + laidOut.baseline - laidOut.ascent), *it);
    m_painter->setPen(before);
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
    const QRgb key = toQColor(transparentColor).rgb() & 0x00FFFFFF;
    const QRgb brush = toQColor(m_brush).rgba();
    // A grid copies the same few pictures on the same few colours into cell after cell.
    struct Copied
    {
        qint64 image = 0;
        QRect source;
        QRgb key = 0;
        QRgb brush = 0;
        QImage part;
    };
    static std::array<Copied, 8> recent;
    static size_t next = 0;
    const qint64 image = bitmap.image().cacheKey();
    for (const Copied &copied : recent) {
        if (!copied.part.isNull() && copied.image == image && copied.source == source && copied.key == key &&
            copied.brush == brush) {
            m_painter->drawImage(dest, copied.part, copied.part.rect());
            return;
        }
    }
    // Parts of the source outside the bitmap come out fully transparent.
    QImage part = bitmap.image().convertToFormat(QImage::Format_ARGB32).copy(source);
    for (int y = 0; y < part.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(part.scanLine(y));
        for (int x = 0; x < part.width(); ++x) {
            if (qAlpha(line[x]) == 255 && (line[x] & 0x00FFFFFF) == key)
                line[x] = brush;
        }
    }
    recent[next] = {image, source, key, brush, part};
    next = (next + 1) % recent.size();
    m_painter->drawImage(dest, part, part.rect());
}
