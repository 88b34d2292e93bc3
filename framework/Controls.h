#pragma once

#include <QAction>
#include <QColor>
#include <QImage>
#include <QKeySequence>
#include <QObject>
#include <QString>
#include <QTabWidget>
#include <QToolButton>
#include <QWidget>
#include <functional>

// Thin platform-style wrappers over Qt widgets: each keeps the names the screen code uses.

using TColor = quint32;
// System colours resolve through the application palette; plain ones are 0x00BBGGRR.
constexpr TColor clInfoBk = 0x80000018;
constexpr TColor clHighlight = 0x8000000D;
constexpr TColor clCaptionText = 0x80000009;
constexpr TColor clWindowText = 0x80000008;
constexpr TColor clWhite = 0x00FFFFFF;
constexpr TColor clBlack = 0x00000000;
constexpr TColor clOlive = 0x00008080;
constexpr TColor clSilver = 0x00C0C0C0;
// Further system colours the framework itself paints with.
constexpr TColor clWindow = 0x80000005;
constexpr TColor clHighlightText = 0x8000000E;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clInfoText = 0x80000017;
// System colours map onto the application palette (see docs/framework.md for the table).
QColor toQColor(TColor color);
bool isSystemColor(TColor color);

enum TShiftFlag { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using TShiftState = int;
constexpr int VK_SPACE = 32;
constexpr int VK_RETURN = 13;
constexpr int VK_ESCAPE = 27;
constexpr int VK_DELETE = 46;
constexpr int VK_INSERT = 45;
constexpr int VK_BACK = 8;
constexpr int VK_TAB = 9;
constexpr int VK_PRIOR = 33;
constexpr int VK_NEXT = 34;
constexpr int VK_END = 35;
constexpr int VK_HOME = 36;
constexpr int VK_LEFT = 37;
constexpr int VK_UP = 38;
constexpr int VK_RIGHT = 39;
constexpr int VK_DOWN = 40;
constexpr int VK_F2 = 113;
// The virtual-key code of a Qt key (letters and digits as their upper-case character); 0 when
// the key has none. qtKeyFromVk goes back, for keys a handler rewrote.
int vkFromQtKey(int qtKey);
int qtKeyFromVk(int vk);
TShiftState shiftFromQt(Qt::KeyboardModifiers modifiers);

constexpr int crDefault = 0;
constexpr int crHourGlass = -11;

// A menu command; its enabled state is what paired toolbar controls copy.
class TMenuItem : public QObject
{
    Q_OBJECT
public:
    TMenuItem(QObject *owner, const QString &name, const QString &caption);
    QAction *action() const { return m_action; }
    QString Caption() const;
    void SetCaption(const QString &caption);
    bool Enabled() const;
    void SetEnabled(bool on);
    bool Checked() const;
    void SetChecked(bool on);
    bool Visible() const;
    void SetVisible(bool on);
    // The key that runs the item while the focus is inside widget (the form); menus show it.
    QKeySequence ShortCut() const;
    void SetShortCut(const QKeySequence &key, QWidget *widget);
    void Click();                                    // runs OnClick (through the event boundary)
    std::function<void(QObject *sender)> OnClick;
    // Runs first, in the same boundary; a throw stops the click (the form commits its editors).
    std::function<void()> BeforeClick;

private:
    QAction *m_action;
};

// A toolbar control; SetEnabled/Enabled are its own, the screen copies them from menu items.
class TSpeedButton : public QToolButton
{
    Q_OBJECT
public:
    TSpeedButton(QWidget *parent, const QString &name, const QString &hint);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool on) { setEnabled(on); }
    // The picture, with a disabled look made from the same image that no one takes for enabled.
    void SetImage(const QPixmap &image);
    // The tooltip: the hint, with the key that does the same when there is one.
    void SetHint(const QString &hint, const QKeySequence &key = {});
    void Click();                                    // as a user click
    std::function<void(QObject *sender)> OnClick;
};

class TTabSheet : public QWidget
{
    Q_OBJECT
public:
    TTabSheet(class TPageControl *pageControl, const QString &name, const QString &caption);
    QString Caption() const;
    void SetCaption(const QString &caption);
    bool Enabled() const;                            // a disabled sheet cannot be selected
    void SetEnabled(bool on);
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index) { m_imageIndex = index; }
    class TPageControl *PageControl() const { return m_pageControl; }

private:
    class TPageControl *m_pageControl;
    int m_imageIndex = -1;
};

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool leaveAllowed();               // runs OnChanging; false when it refused
    bool m_silent = false;
};

// A bitmap as the canvas and the images use it.
class TBitmap
{
public:
    TBitmap() = default;
    explicit TBitmap(QImage image) : m_image(std::move(image)) {}
    void Assign(const TBitmap &other) { m_image = other.m_image; }
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    bool Empty() const { return m_image.isNull(); }
    const QImage &image() const { return m_image; }

private:
    QImage m_image;
};

// An invisible image component holding a bitmap (the check marks).
class TImage : public QObject
{
    Q_OBJECT
public:
    TImage(QObject *owner, const QString &name) : QObject(owner) { setObjectName(name); }
    TBitmap &Bitmap() { return m_bitmap; }
    const TBitmap &Bitmap() const { return m_bitmap; }
    bool Transparent = true;

private:
    TBitmap m_bitmap;
};
