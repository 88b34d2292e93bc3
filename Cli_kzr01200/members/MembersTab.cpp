#include "MembersTab.h"

#include "LoginBroadcast.h"
#include "MemberTreeModel.h"
#include "TClientDataSet.h"
#include "TField.h"
#include "TPageControl.h"
#include "TTabSheet.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

MembersTab::MembersTab(QWidget *parent, TClientDataSet *dimensions, TField *table, TField *key,
                       TField *attribute, TField *parentField)
    : QWidget(parent), m_dimensions(dimensions), m_table(table), m_key(key), m_attribute(attribute),
      m_parent(parentField), m_source(this), m_model(new MemberTreeModel(m_source, this)),
      m_line(new QLabel(this)), m_search(new QLineEdit(this)), m_tree(new QTreeView(this)),
      m_searchDelay(new QTimer(this)), m_fitKeys(new QTimer(this))
{
    setObjectName(QStringLiteral("pnlMembros"));
    m_line->setObjectName(QStringLiteral("lblMembros"));
    m_line->setWordWrap(true);
    m_line->setContentsMargins(6, 4, 6, 4);
    m_search->setObjectName(QStringLiteral("edtProcuraMembro"));
    m_search->setPlaceholderText(
        QStringLiteral("Procurar membro pela chave ou pelo atributo principal"));
    m_search->setClearButtonEnabled(true);
    m_tree->setObjectName(QStringLiteral("trvMembros"));
    m_tree->setModel(m_model);
    m_model->setFetching(false); // until the tab shows
    m_tree->setUniformRowHeights(true); // lets the view ask for more without measuring rows
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(MemberTreeModel::NameColumn, QHeaderView::Stretch);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_line);
    layout->addWidget(m_search);
    layout->addWidget(m_tree);

    // Typing goes on a moment before the server is asked.
    m_searchDelay->setSingleShot(true);
    m_searchDelay->setInterval(300);
    connect(m_search, &QLineEdit::textChanged, m_searchDelay, qOverload<>(&QTimer::start));
    connect(m_searchDelay, &QTimer::timeout, this, [this] {
        if (m_shown && !m_search->text().isEmpty()) m_source.search(m_search->text());
    });
    connect(&m_source, &MemberSource::searchArrived, this, &MembersTab::searchArrived);
    connect(&m_source, &MemberSource::failed, this, [this](quint64, const QString &why) {
        say(QStringLiteral("Membros indisponíveis: %1").arg(why));
    });
    // The key column grows as deeper levels open, so that their keys are not cut short.
    m_fitKeys->setSingleShot(true);
    m_fitKeys->setInterval(0);
    connect(m_fitKeys, &QTimer::timeout, this, &MembersTab::fitKeys);
    connect(m_fitKeys, &QTimer::timeout, this, &MembersTab::fetchWhatShows);
    // A level's next page is asked for when its last member comes into view.
    connect(m_tree->verticalScrollBar(), &QScrollBar::valueChanged, this, &MembersTab::fetchWhatShows);
    connect(m_model, &QAbstractItemModel::rowsInserted, m_fitKeys, qOverload<>(&QTimer::start));
    connect(m_tree, &QTreeView::expanded, m_fitKeys, qOverload<>(&QTimer::start));
    connect(m_model, &MemberTreeModel::pageTime, this, &MembersTab::pageTime);
    connect(m_model, &MemberTreeModel::expandRequested, m_tree, &QTreeView::expand);
    connect(m_model, &MemberTreeModel::revealed, this, [this](const QModelIndex &index) {
        m_tree->setCurrentIndex(index);
        m_tree->scrollTo(index);
    });

    connect(dimensions, &TClientDataSet::currentChanged, this, [this] { follow(); });
    connect(dimensions, &TClientDataSet::rowChanged, this, [this] { follow(); });
    connect(dimensions, &TClientDataSet::stateChanged, this, [this] { follow(); });
    // A list read afresh (Refresh, a save) may come with other members, and a new login with
    // other rights or another server: the tree too.
    connect(dimensions, &TClientDataSet::contentReset, this, &MembersTab::askAfresh);
    connect(&LoginBroadcast::instance(), &LoginBroadcast::loggedIn, this, &MembersTab::askAfresh);
}

MembersTab *MembersTab::addSheet(TPageControl *pages, TClientDataSet *dimensions, TField *table,
                                 TField *key, TField *attribute, TField *parentField)
{
    auto *sheet = new TTabSheet(pages, QStringLiteral("tshMembros"), QStringLiteral("Membros"));
    auto *tab = new MembersTab(sheet, dimensions, table, key, attribute, parentField);
    auto *layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tab);
    return tab;
}

// Called on every move and change of the list: cheap unless the dimension shown changes.
void MembersTab::follow()
{
    std::optional<MemberSource::Dimension> now;
    QString why;
    const TDataSetState state = m_dimensions->State();
    if (!m_dimensions->Active() || m_dimensions->IsEmpty())
        why = QStringLiteral("Nenhuma dimensão selecionada.");
    else if (state == TDataSetState::dsInsert)
        why = QStringLiteral("Dimensão em inclusão: os membros aparecem depois de gravada.");
    else if (m_dimensions->isEditing() && (m_table->Changed() || m_key->Changed() ||
                                           m_attribute->Changed() || m_parent->Changed()))
        why = QStringLiteral("A tabela ou os campos da dimensão foram alterados e ainda não "
                             "gravados: os membros aparecem depois de gravada.");
    else if (m_table->AsString().trimmed().isEmpty())
        why = QStringLiteral("Dimensão sem tabela: não há membros.");
    else
        now = MemberSource::Dimension{m_table->AsString().trimmed(), m_key->AsString().trimmed(),
                                      m_attribute->AsString().trimmed(),
                                      m_parent->AsString().trimmed()};
    if (now != m_shown) {
        m_shown = now;
        m_source.setDimension(now);
        m_model->restart(now && now->parent.isEmpty());
        m_tree->setEnabled(now.has_value());
        m_search->setEnabled(now.has_value());
        m_stale = true;
    }
    if (!now) say(why);
    if (m_shown && m_stale && isVisible()) start();
}

// Drops the tree and what is still asked for it; follow() then asks again (once shown).
void MembersTab::askAfresh()
{
    m_shown.reset();
    m_source.setDimension(std::nullopt);
    follow();
}

void MembersTab::start()
{
    m_stale = false;
    say(QStringLiteral("Membros de %1%2.")
            .arg(m_shown->table, m_shown->parent.isEmpty()
                                     ? QStringLiteral(", sem hierarquia")
                                     : QStringLiteral(", hierarquia por %1").arg(m_shown->parent)));
    if (m_model->canFetchMore({})) m_model->fetchMore({});
}

void MembersTab::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_model->setFetching(true);
    follow();
}

void MembersTab::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_model->setFetching(false);
}

// The rows in view: where one is the last its level holds so far and the level has more, the
// next page of that level.
void MembersTab::fetchWhatShows()
{
    if (!isVisible() || !m_shown) return;
    const int bottom = m_tree->viewport()->height();
    for (QModelIndex at = m_tree->indexAt(QPoint(0, 0)); at.isValid(); at = m_tree->indexBelow(at)) {
        if (m_tree->visualRect(at).top() >= bottom) break;
        const QModelIndex up = at.parent();
        if (at.row() == m_model->rowCount(up) - 1) m_model->fetchNext(up);
    }
}

void MembersTab::searchArrived(const packet::Packet &found)
{
    int path = -1;
    for (int i = 0; i < found.fields.size(); ++i)
        if (found.fields[i].name == QLatin1String("CAMINHO")) path = i;
    if (found.rows.isEmpty() || path < 0) {
        say(QStringLiteral("Nenhum membro começa por \"%1\".").arg(m_search->text()));
        return;
    }
    const QJsonArray ancestors =
        QJsonDocument::fromJson(found.rows.first().value(path).value_or(QString()).toUtf8()).array();
    QStringList keys;
    for (const auto &key : ancestors)
        keys << key.toString();
    say(found.rows.size() == 1
            ? QStringLiteral("1 membro encontrado.")
            : QStringLiteral("%1 membros encontrados; mostrando o primeiro.")
                  .arg(found.rows.size() >= MemberSource::PageSize
                           ? QStringLiteral("Mais de %1").arg(MemberSource::PageSize - 1)
                           : QString::number(found.rows.size())));
    m_model->reveal(keys);
}

void MembersTab::pageTime(qint64 elapsedMs, bool topLevel)
{
    if (elapsedMs < SlowPageMs || !m_shown || m_shown->parent.isEmpty()) return;
    const QString seconds = QLocale(QLocale::Portuguese, QLocale::Brazil)
                                .toString(double(elapsedMs) / 1000.0, 'f', 1);
    // A page of children is quick with an index on the parent; the top level looks at every
    // parent once to find the orphans, so it may be slow on a large table even with one.
    const QString text =
        topLevel ? QStringLiteral("Esta página levou %1 s: o primeiro nível confere todos os pais "
                                  "da tabela %3 para achar os órfãos. Se a coluna %2 não tiver "
                                  "índice, um índice a tornaria mais rápida (CREATE INDEX ... ON "
                                  "%3 (%2)).")
                 : QStringLiteral("Esta página levou %1 s. Um índice na coluna %2 da tabela %3 "
                                  "tornaria a árvore mais rápida (CREATE INDEX ... ON %3 (%2)).");
    say(text.arg(seconds, m_shown->parent, m_shown->table));
}

// Only wider: a column that narrowed as the view scrolled would move every name under the eye.
void MembersTab::fitKeys()
{
    // Asked as any item view is asked: the tree's own answer counts each row's indentation.
    const QAbstractItemView *view = m_tree;
    const int wanted = view->sizeHintForColumn(MemberTreeModel::KeyColumn);
    if (wanted > m_tree->columnWidth(MemberTreeModel::KeyColumn))
        m_tree->setColumnWidth(MemberTreeModel::KeyColumn, wanted);
}

void MembersTab::say(const QString &text)
{
    m_line->setText(text);
    m_line->setToolTip(text);
}
