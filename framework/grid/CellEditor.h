#pragma once

#include <QLineEdit>

class QToolButton;

// The in-place editor of a grid cell; with an ellipsis it carries a "…" button at its right end.
// The button takes no focus, so pressing it never ends the edit by a focus change.
class CellEditor : public QLineEdit
{
    Q_OBJECT
public:
    CellEditor(QWidget *parent, bool ellipsis);
    bool loaded = false;      // the first load only: later model changes must not overwrite typing
    // The validator takes no more characters than the field holds (counted as the server counts
    // them, which the editor's own maximum length, in UTF-16 units, cannot do); a key or paste
    // past the limit is refused and a tooltip at the editor says what the limit is.
    void setCharacterLimit(int limit);

signals:
    void ellipsisClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *m_button = nullptr;
};
