#pragma once

#include <QColor>

// Colours as the screens name them.
using TColor = quint32;
// System colours resolve through the application palette; plain ones are 0x00BBGGRR.
constexpr TColor clInfoBk = 0x80000018;
constexpr TColor clHighlight = 0x8000000D;
constexpr TColor clCaptionText = 0x80000009;
constexpr TColor clWindowText = 0x80000008;
constexpr TColor clWhite = 0x00FFFFFF;
constexpr TColor clBlack = 0x00000000;
constexpr TColor clOlive = 0x00008080;
constexpr TColor clSilver = 0x00C0C0C0;
// Further system colours the framework itself paints with.
constexpr TColor clWindow = 0x80000005;
constexpr TColor clHighlightText = 0x8000000E;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clInfoText = 0x80000017;
// System colours map onto the application palette (see docs/framework.md for the table).
QColor toQColor(TColor color);
bool isSystemColor(TColor color);
