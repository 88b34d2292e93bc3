#include "OutputBudget.h"

void OutputBudget::change(qint64 before, qint64 now)
{
    const bool wasSpent = spent();
    m_held += now - before;
    Q_ASSERT(m_held >= 0);
    if (wasSpent && !spent()) emit roomAgain();
}
