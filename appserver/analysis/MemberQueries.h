#pragma once

#include "ProfileQueries.h"
#include "SqlDialect.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <optional>

// The statements of the member browser, written once so that the server and the benchmark's
// in-process floor run exactly the same SQL. As in ProfileQueries, every name comes from the
// catalogue as a quoted identifier and every value is bound. Members without a key are never
// listed: a key is what a page goes on from.
class MemberQueries
{
public:
    enum class Level {
        All,      // a flat dimension: every member
        Top,      // members without a parent, and orphans (whose parent is no member)
        Children, // members whose parent is one bound key
    };

    // parent.name empty: a flat dimension, where only Level::All is asked for.
    MemberQueries(SqlDialect dialect, const QString &table, ProfileQueries::Column key,
                  ProfileQueries::Column attribute, ProfileQueries::Column parent);

    // One page of members in key order, the page counted in distinct keys so that the rows of
    // a repeated key never straddle two pages. Columns: key, main attribute, parent (texts),
    // children count, situation ("", "O", "C", "R"). Binds what values() lists, `following`
    // when there is a last key.
    QString page(Level level, bool following) const;
    // The values page() binds, in its order: `parent` as parentValue() gives it (Children
    // only), `after` as keyValue() gives it (the last key of the previous page, if any), and
    // the number of keys.
    static QVariantList values(Level level, const std::optional<QVariant> &parent,
                               const std::optional<QVariant> &after, int limit);

    // Members whose key or main attribute begins with one bound pattern (bound twice, as
    // prefixPattern() makes it), in key order, at most the bound count: key, attribute, parent.
    QString search() const;
    // Key and parent, as texts, of the members whose key is one of the bound values (as
    // parentValue() gives them: they are parents read as text). The values are padded to one of
    // a few counts by repeating the last, so that a walk up any tree prepares a handful of
    // statements, not one per count.
    QString parentsOf(QVariantList &keys) const;

    // A value to compare with the key column: numbers as numbers, so that keys go in their own
    // order. nullopt when no member can hold it (a non-number for an integer key).
    std::optional<QVariant> keyValue(const QString &text) const;
    // A value to compare with a parent: text when the parent's type is not the key's.
    std::optional<QVariant> parentValue(const QString &text) const;
    // The LIKE pattern of members beginning with `text`: wildcards escaped, ASCII letters
    // lower-cased as the statements lower-case the data.
    static QString prefixPattern(const QString &text);

private:
    QString keyOf(const QString &alias) const;
    QString parentOf(const QString &alias) const;
    QString ordered(const QString &expression) const;
    QString folded(const QString &expression) const;
    QString levelCondition(Level level) const;
    QString topKeys(const QString &after) const;
    QString orphanedParents() const;

    SqlDialect m_dialect;
    ProfileQueries m_profile; // the one place that decides how key and parent compare
    QString m_table;
    ProfileQueries::Column m_key;
    ProfileQueries::Column m_attribute;
    ProfileQueries::Column m_parent;
};
