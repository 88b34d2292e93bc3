#pragma once

#include "RuleBreach.h"

#include <QString>
#include <optional>

// The structure-error text with which vdDimensao answers: a message key followed at once by
// its argument ("INV_TABELA<table>", "INV_CAMPO<field>.<table>", "NO_DIME<field>"), names as
// given. Written by the server's judgement of a table, read back by the screen and kzr-admin.
namespace structure_error {

QString noTable(const QString &table);
QString noField(const QString &field, const QString &table);
QString notForDimension(const QString &field);

// The rule the text tells of; nullopt for a text that begins with none of the three keys
// (accepted as a sound structure). Arguments are taken as they stand, without trimming.
std::optional<RuleBreach> breach(const QString &text);

} // namespace structure_error
