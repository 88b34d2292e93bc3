#pragma once

#include <QString>
#include <QWidget>

class TPageControl;

// A sheet of a page control: its caption and enabled state are its tab's.
class TTabSheet : public QWidget
{
    Q_OBJECT
public:
    TTabSheet(TPageControl *pageControl, const QString &name, const QString &caption);
    QString Caption() const;
    void SetCaption(const QString &caption);
    bool Enabled() const;                            // a disabled sheet cannot be selected
    void SetEnabled(bool on);
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index) { m_imageIndex = index; }
    TPageControl *PageControl() const { return m_pageControl; }

private:
    TPageControl *m_pageControl;
    int m_imageIndex = -1;
};
