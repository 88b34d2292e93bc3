#include "TTabSheet.h"

#include "TPageControl.h"

TTabSheet::TTabSheet(TPageControl *pageControl, const QString &name, const QString &caption)
    : QWidget(pageControl), m_pageControl(pageControl)
{
    setObjectName(name);
    // Adding the first sheet makes it current; that is no user change.
    const bool wasSilent = pageControl->signalsBlocked();
    pageControl->blockSignals(true);
    pageControl->addTab(this, caption);
    pageControl->blockSignals(wasSilent);
}

QString TTabSheet::Caption() const
{
    return m_pageControl->tabText(m_pageControl->indexOf(this));
}

void TTabSheet::SetCaption(const QString &caption)
{
    m_pageControl->setTabText(m_pageControl->indexOf(this), caption);
}

bool TTabSheet::Enabled() const
{
    return m_pageControl->isTabEnabled(m_pageControl->indexOf(this));
}

void TTabSheet::SetEnabled(bool on)
{
    // The page control repaints its tabs and walks every control of the page even when
    // nothing changes; the commands set this at every change of state.
    const int index = m_pageControl->indexOf(this);
    if (m_pageControl->isTabEnabled(index) == on) return;
    m_pageControl->setTabEnabled(index, on);
}
