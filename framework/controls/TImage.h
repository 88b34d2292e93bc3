#pragma once

#include "TBitmap.h"

#include <QObject>
#include <QString>

// An invisible image component holding a bitmap (the check marks).
class TImage : public QObject
{
    Q_OBJECT
public:
    TImage(QObject *owner, const QString &name) : QObject(owner) { setObjectName(name); }
    TBitmap &Bitmap() { return m_bitmap; }
    const TBitmap &Bitmap() const { return m_bitmap; }
    bool Transparent = true;

private:
    TBitmap m_bitmap;
};
