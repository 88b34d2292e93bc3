#pragma once

#include <QObject>
#include <QString>

// Counts how often a widget of the given object name comes up, from the application's events.
class ShowCounter : public QObject
{
public:
    explicit ShowCounter(QString objectName);
    int count() const { return m_count; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_objectName;
    int m_count = 0;
};
