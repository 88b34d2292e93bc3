#pragma once

#include <QImage>

// A bitmap as the canvas and the images use it.
class TBitmap
{
public:
    TBitmap() = default;
    explicit TBitmap(QImage image) : m_image(std::move(image)) {}
    void Assign(const TBitmap &other) { m_image = other.m_image; }
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    bool Empty() const { return m_image.isNull(); }
    const QImage &image() const { return m_image; }

private:
    QImage m_image;
};
