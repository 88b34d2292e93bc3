#pragma once

#include "Colors.h"
#include "TBitmap.h"

#include <QPainter>
#include <QRect>
#include <QString>

// The canvas handed to OnDrawColumnCell: drawing goes to the cell being painted.
class TCanvas
{
public:
    explicit TCanvas(QPainter *painter) : m_painter(painter) {}
    TColor BrushColor() const { return m_brush; }
    void SetBrushColor(TColor color) { m_brush = color; }
    TColor FontColor() const { return m_font; }
    void SetFontColor(TColor color) { m_font = color; }
    void FillRect(const QRect &rect);                     // with the brush colour
    void TextOut(int x, int y, const QString &text);      // font colour, top-left at (x, y), no clipping to the cell
    void DrawFocusRect(const QRect &rect);                // dotted frame, drawn by inverting
    // Copies source of the bitmap to dest; pixels of transparentColor take the brush colour.
    void BrushCopy(const QRect &dest, const TBitmap &bitmap, const QRect &source, TColor transparentColor);
    QPainter *painter() const { return m_painter; }

private:
    QPainter *m_painter;
    TColor m_brush = clWhite;
    TColor m_font = clWindowText;
};
