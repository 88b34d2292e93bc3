#include "CallRecorder.h"

#include "TNetConnection.h"

void CallRecorder::watch(TNetConnection *connection)
{
    connect(connection, &TNetConnection::callMade, this,
            [this](const QString &module, const QString &method) {
                ++m_counts[method];
                m_calls << module + QLatin1Char('.') + method;
            });
}

void CallRecorder::clear()
{
    m_counts.clear();
    m_calls.clear();
}
