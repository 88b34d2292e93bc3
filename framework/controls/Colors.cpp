#include "Colors.h"

#include <QApplication>
#include <QPalette>

bool isSystemColor(TColor color)
{
    return (color & 0x80000000u) != 0;
}

QColor toQColor(TColor color)
{
    if (isSystemColor(color)) {
        const QPalette palette = QApplication::palette();
        switch (color) {
        case clInfoBk: return palette.color(QPalette::ToolTipBase);
        case clInfoText: return palette.color(QPalette::ToolTipText);
        case clHighlight: return palette.color(QPalette::Highlight);
        // Qt draws no caption bars of its own; the screens use the caption-text colour on the
        // highlight, where HighlightedText is the colour made to be readable.
        case clHighlightText:
        case clCaptionText: return palette.color(QPalette::HighlightedText);
        case clWindowText: return palette.color(QPalette::WindowText);
        case clWindow: return palette.color(QPalette::Base);
        case clBtnFace: return palette.color(QPalette::Button);
        default: return palette.color(QPalette::WindowText);
        }
    }
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}
