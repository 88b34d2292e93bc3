#include "InputBudget.h"

bool InputBudget::take(qint64 bytes)
{
    qint64 used = m_inUse.load();
    do {
        if (bytes > m_total - used) return false;
    } while (!m_inUse.compare_exchange_weak(used, used + bytes));
    return true;
}

void InputBudget::giveBack(qint64 bytes)
{
    if (bytes <= 0) return;
    [[maybe_unused]] const qint64 before = m_inUse.fetch_sub(bytes);
    Q_ASSERT(before >= bytes);
    emit givenBack();
}
