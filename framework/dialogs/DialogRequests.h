#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class TClientDataSet;

// What a find offers: fields by caption, in the order shown, and the one it starts on.
struct FindFields {
    std::vector<std::pair<QString, QString>> fields; // field name, caption
    QString initial;                                 // field name
    // Every visible field of the record set, by display label, starting on the first.
    static FindFields of(const TClientDataSet *dataSet);
};

// What the user typed into the login dialog.
struct LoginAnswer
{
    QString user;
    QString password;
};

// A list to read and act on: rows under column titles, the details of the selected row below
// them (rich text), and one action for the selected row, which may be withheld
// (actionEnabled false) while the list can still be read.
struct ChoiceList
{
    QString title;
    QStringList columns;
    QList<QStringList> rows;
    QStringList details; // one per row
    QString action;      // the action's caption
    bool actionEnabled = true;
};
