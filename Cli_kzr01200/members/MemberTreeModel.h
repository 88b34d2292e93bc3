#pragma once

#include "DataPacket.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class MemberSource;

// The members of the current dimension as a tree (a flat list for a flat dimension), filled a
// page at a time as a view asks for more (canFetchMore/fetchMore): the top level when the view
// first shows it, a member's children when it is expanded, the next page when the view scrolls
// to the end of what it holds. Never the whole table, and nothing while no view shows it
// (setFetching). A failed page marks its own branch only; the view asks for it again.
// Columns: key, main attribute, children.
class MemberTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column { KeyColumn, NameColumn, ChildrenColumn, ColumnCount };
    // The member's situation as the server says it ("", "O", "C", "R").
    static constexpr int SituationRole = Qt::UserRole + 1;

    explicit MemberTreeModel(MemberSource &source, QObject *parent = nullptr);
    ~MemberTreeModel() override;

    // Empties the tree; the view then asks for the first page of the source's dimension.
    void restart(bool flat);
    // Whether a view shows the tree now: while none does, no page is asked for.
    void setFetching(bool on) { m_fetching = on; }
    // Opens the tree down to the member at the end of `path` (keys from the top), fetching the
    // pages that lead there; revealed() tells when it is in the tree.
    void reveal(const QStringList &path);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    // A level's first page only: a view asks at every layout, which for the later pages would
    // pull the whole table in without anyone scrolling.
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    // The level has pages still to come and none asked for; fetchNext asks for the next (when
    // the view's user reaches the end of what the level holds).
    bool hasMorePages(const QModelIndex &parent) const;
    void fetchNext(const QModelIndex &parent);
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Words for a situation, as the tooltip says them; "" for none.
    static QString situationText(const QString &situation);

signals:
    // A member on the way to what reveal() looks for, to be expanded; then the member itself.
    void expandRequested(const QModelIndex &index);
    void revealed(const QModelIndex &index);
    // How long the server took for a page, and whether it was one of the top level's.
    void pageTime(qint64 elapsedMs, bool topLevel);

private:
    struct Node
    {
        Node *up = nullptr;
        QString key, name, parentKey, situation;
        bool nameNull = false;
        qint64 children = 0;
        std::vector<std::unique_ptr<Node>> below;
        bool complete = false; // every page of its children is in
        bool asking = false;
        quint64 id = 0;
    };
    Node *nodeOf(const QModelIndex &index) const;
    QModelIndex indexOf(Node *node, int column = 0) const;
    void arrived(quint64 request, const packet::Packet &page, qint64 elapsedMs);
    void pageFailed(quint64 request);
    void ask(Node *node);
    void continueReveal();

    MemberSource &m_source;
    Node m_root;
    bool m_flat = false;
    bool m_fetching = true;
    quint64 m_nextId = 1;
    QHash<quint64, Node *> m_byId;
    QStringList m_revealPath; // what reveal() still looks for
};
