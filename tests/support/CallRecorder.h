#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

class TNetConnection;

// Records the remote calls made through one or more connections (TNetConnection::callMade).
class CallRecorder : public QObject
{
    Q_OBJECT
public:
    explicit CallRecorder(QObject *parent = nullptr) : QObject(parent) {}

    void watch(TNetConnection *connection);

    int count(const QString &method) const { return m_counts.value(method); }
    int total() const { return int(m_calls.size()); }
    QStringList calls() const { return m_calls; } // "module.method", in order
    void clear();

private:
    QHash<QString, int> m_counts;
    QStringList m_calls;
};
