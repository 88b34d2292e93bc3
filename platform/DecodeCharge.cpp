#include "DecodeCharge.h"

#include <algorithm>
#include <limits>

namespace {

thread_local DecodeCharge *current = nullptr;

// Taken from the account at least this much at a time, and then as much again as was taken:
// a few updates of the shared count for an item of any size, little held beyond the need.
constexpr qint64 LeastStep = 4096;

} // namespace

DecodeCharge::DecodeCharge(DecodeAccount &account) : m_account(account), m_outer(current)
{
    current = this;
}

DecodeCharge::~DecodeCharge()
{
    current = m_outer;
    m_account.giveBack(m_taken);
}

void DecodeCharge::charge(quint64 count, qint64 each)
{
    if (!current) return;
    const quint64 most = quint64(std::numeric_limits<qint64>::max() / 2);
    const quint64 bytes = each > 0 && count > most / quint64(each) ? most : count * quint64(each);
    current->add(qint64(bytes));
}

void DecodeCharge::add(qint64 bytes)
{
    if (bytes > m_taken - m_used) {
        const qint64 missing = bytes - (m_taken - m_used);
        // A step when there is room for it, else exactly what is missing.
        const qint64 step = std::max({missing, LeastStep, m_taken});
        if (m_account.take(step)) {
            m_taken += step;
        } else if (m_account.take(missing)) {
            m_taken += missing;
        } else {
            throw EDecodeRefused(
                QStringLiteral("A requisição ocuparia no servidor mais memória do que lhe resta "
                               "para requisições agora (%1 KiB a mais); tente novamente mais "
                               "tarde ou envie menos de uma vez.")
                    .arg((missing + 1023) / 1024));
        }
    }
    m_used += bytes;
}
