#pragma once

#include <QStyledItemDelegate>

class TDBGrid;

// Paints the grid's cells (handing them to the owner-draw handler when there is one) and makes
// its cell editors. Everything it shows comes from the model's roles.
class GridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit GridDelegate(TDBGrid *grid);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    // Writing happens in the grid (TDBGrid::commitData), where a refused value can keep the editor.
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // The frame of a row holding a change the server has not got.
    static QColor unsavedColour();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paintUnsavedMark(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;
    TDBGrid *m_grid;
};
