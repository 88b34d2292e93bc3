#pragma once

#include <QString>
#include <QTabWidget>
#include <functional>

class TTabSheet;

// The tabs of a form; each page is a TTabSheet.
class TPageControl : public QTabWidget
{
    Q_OBJECT
public:
    TPageControl(QWidget *parent, const QString &name);
    TTabSheet *ActivePage() const;
    // Selects a sheet without running OnChange.
    void SetActivePage(TTabSheet *sheet);
    int PageCount() const;
    TTabSheet *Pages(int index) const;
    // The user selected another sheet (also a click on a tab, through the event boundary).
    std::function<void(QObject *sender)> OnChange;
    // Runs before the user leaves the current sheet; a throw keeps the current sheet.
    std::function<void(QObject *sender)> OnChanging;
    // As the user would: the next (or, step -1, previous) enabled sheet, round the end, with
    // the keyboard on it. Ctrl+Tab and Ctrl+PageDown, Ctrl+Shift+Tab and Ctrl+PageUp.
    void SelectNeighbourSheet(int step);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override; // the same keys reaching it as keys

private:
    bool leaveAllowed();               // runs OnChanging; false when it refused
    bool m_silent = false;
};
