#pragma once

#include <QByteArray>
#include <QString>
#include <sqlite3.h>
#include <vector>

// The least a floor needs to hold a list it read: every cell's bytes copied once into one
// buffer, a text made only for a cell that is asked for. The client keeps a loaded list the
// same way, so a floor that made a text of every cell would be softer than the work it
// stands for.
class BareCells
{
public:
    // Every row of a prepared statement; the statement is reset afterwards.
    static BareCells read(sqlite3_stmt *statement, int columns, size_t expectedRows)
    {
        BareCells cells;
        cells.m_ends.reserve(expectedRows * size_t(columns));
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, c));
                if (text) cells.m_bytes.append(text, sqlite3_column_bytes(statement, c));
                cells.m_ends.push_back(quint32(cells.m_bytes.size()));
            }
        }
        sqlite3_reset(statement);
        return cells;
    }

    size_t size() const { return m_ends.size(); }

    QString text(size_t cell) const
    {
        const quint32 begin = cell == 0 ? 0 : m_ends[cell - 1];
        return QString::fromUtf8(m_bytes.constData() + begin, qsizetype(m_ends[cell] - begin));
    }

private:
    QByteArray m_bytes;
    std::vector<quint32> m_ends; // where each cell's bytes end
};
