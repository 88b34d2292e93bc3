#pragma once

#include "MemberSource.h"

#include <QWidget>
#include <optional>

class MemberTreeModel;
class QLabel;
class QLineEdit;
class QTimer;
class QTreeView;
class TClientDataSet;
class TField;
class TPageControl;
class TTabSheet;

// The "Membros" tab: the members of the current dimension as the cube will see them, a page at
// a time, with a search that opens the tree to what it finds. It follows the dimension list by
// itself; a dimension being inserted, or whose table or fields have an unsaved change, shows no
// members (the line above the tree says why). Nothing is asked of the server while the tab is
// hidden. A new login asks again.
class MembersTab : public QWidget
{
    Q_OBJECT
public:
    // The dimension list and its table, key, main attribute and self-relationship fields.
    MembersTab(QWidget *parent, TClientDataSet *dimensions, TField *table, TField *key,
               TField *attribute, TField *parentField);

    // The tab, as the last sheet of `pages`, holding the view of the dimension list's members.
    static MembersTab *addSheet(TPageControl *pages, TClientDataSet *dimensions, TField *table,
                                TField *key, TField *attribute, TField *parentField);

    QTreeView *tree() const { return m_tree; }
    QLineEdit *searchBox() const { return m_search; }
    QLabel *line() const { return m_line; }

    // A page slower than this suggests an index on the parent column.
    static constexpr qint64 SlowPageMs = 1000;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void follow();
    void askAfresh();
    void start();
    void searchArrived(const packet::Packet &found);
    void pageTime(qint64 elapsedMs, bool topLevel);
    void say(const QString &text);
    void fitKeys();
    void fetchWhatShows();

    TClientDataSet *m_dimensions;
    TField *m_table, *m_key, *m_attribute, *m_parent;
    MemberSource m_source;
    MemberTreeModel *m_model;
    QLabel *m_line;
    QLineEdit *m_search;
    QTreeView *m_tree;
    QTimer *m_searchDelay;
    QTimer *m_fitKeys; // once the rows just come are laid out
    std::optional<MemberSource::Dimension> m_shown; // what the tree holds, if anything
    bool m_stale = true; // the tree is to be filled afresh when next shown
};
