#include "InputBudget.h"

bool InputBudget::take(qint64 bytes)
{
    if (bytes > m_total - m_inUse) return false;
    m_inUse += bytes;
    return true;
}

void InputBudget::giveBack(qint64 bytes)
{
    if (bytes <= 0) return;
    m_inUse -= bytes;
    Q_ASSERT(m_inUse >= 0);
    emit givenBack();
}
