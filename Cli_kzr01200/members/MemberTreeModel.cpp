#include "MemberTreeModel.h"

#include "MemberSource.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

namespace {

enum Field { Key, Name, Parent, Children, Situation };

} // namespace

MemberTreeModel::MemberTreeModel(MemberSource &source, QObject *parent)
    : QAbstractItemModel(parent), m_source(source)
{
    connect(&m_source, &MemberSource::pageArrived, this, &MemberTreeModel::arrived);
    connect(&m_source, &MemberSource::failed, this,
            [this](quint64 request) { pageFailed(request); });
}

MemberTreeModel::~MemberTreeModel() = default;

void MemberTreeModel::restart(bool flat)
{
    beginResetModel();
    m_root.below.clear();
    m_root.complete = false;
    m_root.asking = false;
    m_root.id = 0;
    m_byId.clear();
    m_revealPath.clear();
    m_flat = flat;
    endResetModel();
}

MemberTreeModel::Node *MemberTreeModel::nodeOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Node *>(index.internalPointer())
                           : const_cast<Node *>(&m_root);
}

QModelIndex MemberTreeModel::indexOf(Node *node, int column) const
{
    if (!node || node == &m_root) return {};
    const auto &siblings = node->up->below;
    for (size_t row = 0; row < siblings.size(); ++row)
        if (siblings[row].get() == node) return createIndex(int(row), column, node);
    return {};
}

QModelIndex MemberTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    const Node *up = nodeOf(parent);
    if (row < 0 || column < 0 || column >= ColumnCount || size_t(row) >= up->below.size())
        return {};
    return createIndex(row, column, up->below[size_t(row)].get());
}

QModelIndex MemberTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid()) return {};
    return indexOf(nodeOf(child)->up);
}

int MemberTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0) return 0;
    return int(nodeOf(parent)->below.size());
}

int MemberTreeModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

bool MemberTreeModel::hasChildren(const QModelIndex &parent) const
{
    if (!parent.isValid()) return true;
    return !m_flat && parent.column() == 0 && nodeOf(parent)->children > 0;
}

bool MemberTreeModel::hasMorePages(const QModelIndex &parent) const
{
    if (parent.column() > 0) return false;
    const Node *node = nodeOf(parent);
    if (parent.isValid() && (m_flat || node->children == 0)) return false;
    return m_fetching && !node->complete && !node->asking && m_source.dimension().has_value();
}

bool MemberTreeModel::canFetchMore(const QModelIndex &parent) const
{
    return hasMorePages(parent) && nodeOf(parent)->below.empty();
}

void MemberTreeModel::fetchMore(const QModelIndex &parent)
{
    if (canFetchMore(parent)) ask(nodeOf(parent));
}

void MemberTreeModel::fetchNext(const QModelIndex &parent)
{
    if (hasMorePages(parent)) ask(nodeOf(parent));
}

// The branch asked about can be asked for again when the view wants it; the others wait on.
void MemberTreeModel::pageFailed(quint64 request)
{
    if (Node *node = m_byId.value(request)) node->asking = false;
    m_revealPath.clear();
}

void MemberTreeModel::ask(Node *node)
{
    if (node->asking || node->complete) return;
    node->asking = true;
    if (node->id == 0) {
        node->id = m_nextId++;
        m_byId.insert(node->id, node);
    }
    const std::optional<QString> parentKey =
        node == &m_root ? std::nullopt : std::optional<QString>(node->key);
    const std::optional<QString> after =
        node->below.empty() ? std::nullopt : std::optional<QString>(node->below.back()->key);
    m_source.page(node->id, parentKey, after);
}

void MemberTreeModel::arrived(quint64 request, const packet::Packet &page, qint64 elapsedMs)
{
    Node *node = m_byId.value(request);
    if (!node || !node->asking) return; // a question since given up
    node->asking = false;
    QSet<QString> keys;
    for (const packet::Row &row : page.rows)
        keys.insert(row.value(Key).value_or(QString()));
    // A page counts keys: fewer than asked for is the last one.
    node->complete = keys.size() < MemberSource::PageSize;
    emit pageTime(elapsedMs, node == &m_root);
    if (!page.rows.isEmpty()) {
        const QModelIndex at = indexOf(node);
        const int first = int(node->below.size());
        beginInsertRows(at, first, first + int(page.rows.size()) - 1);
        for (const packet::Row &row : page.rows) {
            auto member = std::make_unique<Node>();
            member->up = node;
            member->key = row.value(Key).value_or(QString());
            member->name = row.value(Name).value_or(QString());
            member->nameNull = !row.value(Name).has_value();
            member->parentKey = row.value(Parent).value_or(QString());
            member->children = row.value(Children).value_or(QString()).toLongLong();
            member->situation = row.value(Situation).value_or(QString());
            node->below.push_back(std::move(member));
        }
        endInsertRows();
    }
    continueReveal();
}

void MemberTreeModel::reveal(const QStringList &path)
{
    m_revealPath = path;
    continueReveal();
}

// Down the path as far as the tree holds it; where a level does not hold the next key yet,
// its next page is asked for and the walk goes on when it comes.
void MemberTreeModel::continueReveal()
{
    Node *node = &m_root;
    for (int depth = 0; depth < m_revealPath.size(); ++depth) {
        const QString &key = m_revealPath[depth];
        Node *found = nullptr;
        for (const auto &child : node->below)
            if (child->key == key) {
                found = child.get();
                break;
            }
        if (!found) {
            if (node->complete) {
                m_revealPath.clear(); // not in the tree: a member on a cycle or below one
                return;
            }
            if (node != &m_root) emit expandRequested(indexOf(node));
            ask(node);
            return;
        }
        if (depth + 1 == m_revealPath.size()) {
            m_revealPath.clear();
            emit revealed(indexOf(found));
            return;
        }
        node = found;
    }
}

QVariant MemberTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid()) return {};
    const Node *node = nodeOf(index);
    if (role == SituationRole) return node->situation;
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case KeyColumn:
            return node->key;
        case NameColumn:
            return node->name;
        case ChildrenColumn:
            return m_flat ? QVariant() : QVariant(node->children);
        }
    }
    if (role == Qt::TextAlignmentRole && index.column() == ChildrenColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (index.column() != KeyColumn || node->situation.isEmpty()) return {};
    if (role == Qt::ToolTipRole) return situationText(node->situation);
    if (role == Qt::DecorationRole)
        return QApplication::style()->standardIcon(node->situation == QLatin1String("O")
                                                       ? QStyle::SP_MessageBoxWarning
                                                       : QStyle::SP_MessageBoxCritical);
    return {};
}

QString MemberTreeModel::situationText(const QString &situation)
{
    if (situation == QLatin1String("O"))
        return QStringLiteral("Membro órfão: o pai indicado não existe na tabela; o cubo não "
                              "o pode pôr na hierarquia.");
    if (situation == QLatin1String("C"))
        return QStringLiteral("Membro em ciclo: seguindo os pais volta-se a ele mesmo; o cubo não "
                              "pode processar esta hierarquia.");
    if (situation == QLatin1String("R"))
        return QStringLiteral("Chave repetida: mais de um registro tem esta chave; o cubo "
                              "juntaria membros diferentes.");
    return {};
}

QVariant MemberTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case KeyColumn:
        return QStringLiteral("Chave");
    case NameColumn:
        return QStringLiteral("Atributo principal");
    case ChildrenColumn:
        return QStringLiteral("Filhos");
    }
    return {};
}
