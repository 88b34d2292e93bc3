#include "Controls.h"

#include "EventBoundary.h"

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QMouseEvent>
#include <QPalette>
#include <QTabBar>

bool isSystemColor(TColor color)
{
    return (color & 0x80000000u) != 0;
}

QColor toQColor(TColor color)
{
    if (isSystemColor(color)) {
        const QPalette palette = QApplication::palette();
        switch (color) {
        case clInfoBk: return palette.color(QPalette::ToolTipBase);
        case clInfoText: return palette.color(QPalette::ToolTipText);
        case clHighlight: return palette.color(QPalette::Highlight);
        case clHighlightText: return palette.color(QPalette::HighlightedText);
        // Qt draws no caption bars of its own; the screens use the caption-text colour on the
        // highlight, where HighlightedText is the colour made to be readable.
        case clCaptionText: return palette.color(QPalette::HighlightedText);
        case clWindowText: return palette.color(QPalette::WindowText);
        case clWindow: return palette.color(QPalette::Base);
        case clBtnFace: return palette.color(QPalette::Button);
        default: return palette.color(QPalette::WindowText);
        }
    }
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

namespace {
struct KeyPair {
    int qt;
    int vk;
};
constexpr KeyPair keyTable[] = {
    {Qt::Key_Space, VK_SPACE},   {Qt::Key_Return, VK_RETURN}, {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Delete, VK_DELETE}, {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},      {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_PageUp, VK_PRIOR},  {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},     {Qt::Key_Left, VK_LEFT},     {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},     {Qt::Key_F2, VK_F2},
};
} // namespace

int vkFromQtKey(int qtKey)
{
    for (const KeyPair &pair : keyTable) {
        if (pair.qt == qtKey)
            return pair.vk;
    }
    // Qt's codes for letters and digits are their upper-case characters, as are the virtual keys.
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    return 0;
}

int qtKeyFromVk(int vk)
{
    for (const KeyPair &pair : keyTable) {
        if (pair.vk == vk)
            return pair.qt;
    }
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        return vk;
    return 0;
}

TShiftState shiftFromQt(Qt::KeyboardModifiers modifiers)
{
    TShiftState shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= ssShift;
    if (modifiers & Qt::AltModifier)
        shift |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        shift |= ssCtrl;
    return shift;
}

// --- TMenuItem ------------------------------------------------------------------------------

TMenuItem::TMenuItem(QObject *owner, const QString &name, const QString &caption)
    : QObject(owner), m_action(new QAction(caption, this))
{
    setObjectName(name);
    m_action->setObjectName(name);
    connect(m_action, &QAction::triggered, this, [this] { Click(); });
}

QString TMenuItem::Caption() const { return m_action->text(); }
void TMenuItem::SetCaption(const QString &caption) { m_action->setText(caption); }
bool TMenuItem::Enabled() const { return m_action->isEnabled(); }
void TMenuItem::SetEnabled(bool on) { m_action->setEnabled(on); }
bool TMenuItem::Checked() const { return m_action->isChecked(); }

void TMenuItem::SetChecked(bool on)
{
    // A checked item shows its mark only when the action is checkable.
    m_action->setCheckable(m_action->isCheckable() || on);
    m_action->setChecked(on);
}

bool TMenuItem::Visible() const { return m_action->isVisible(); }
void TMenuItem::SetVisible(bool on) { m_action->setVisible(on); }

QKeySequence TMenuItem::ShortCut() const { return m_action->shortcut(); }

void TMenuItem::SetShortCut(const QKeySequence &key, QWidget *widget)
{
    m_action->setShortcut(key);
    m_action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    if (widget && !widget->actions().contains(m_action))
        widget->addAction(m_action);
}

void TMenuItem::Click()
{
    // A disabled item does nothing, whoever clicks it.
    if (!m_action->isEnabled() || !OnClick)
        return;
    EventBoundary::run([this] {
        if (BeforeClick)
            BeforeClick();
        OnClick(this);
    });
}

// --- TSpeedButton ---------------------------------------------------------------------------

TSpeedButton::TSpeedButton(QWidget *parent, const QString &name, const QString &hint)
    : QToolButton(parent)
{
    setObjectName(name);
    setToolTip(hint);
    setText(hint);
    setAutoRaise(true);
    // A toolbar button must not take the focus away from the grid and its open editor.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QToolButton::clicked, this, [this] {
        if (OnClick)
            EventBoundary::run([this] { OnClick(this); });
    });
}

void TSpeedButton::SetImage(const QPixmap &image)
{
    // Qt's own disabled look of a coloured picture can pass for an enabled one: the disabled
    // picture is the same image in grey, faded to a third.
    QImage grey = image.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int gray = qGray(line[x]);
            const int lifted = 128 + gray / 2;
            line[x] = qRgba(lifted, lifted, lifted, qAlpha(line[x]) / 3);
        }
    }
    QIcon icon;
    icon.addPixmap(image, QIcon::Normal);
    icon.addPixmap(image, QIcon::Active);
    icon.addPixmap(QPixmap::fromImage(grey), QIcon::Disabled);
    setIcon(icon);
}

void TSpeedButton::SetHint(const QString &hint, const QKeySequence &key)
{
    setText(hint);
    setToolTip(key.isEmpty() ? hint
                             : QStringLiteral("%1 (%2)").arg(hint, key.toString(QKeySequence::NativeText)));
}

void TSpeedButton::Click()
{
    if (isEnabled())
        click();
}

// --- TTabSheet / TPageControl ---------------------------------------------------------------

TTabSheet::TTabSheet(TPageControl *pageControl, const QString &name, const QString &caption)
    : QWidget(pageControl), m_pageControl(pageControl)
{
    setObjectName(name);
    // Adding the first sheet makes it current; that is no user change.
    const bool wasSilent = pageControl->signalsBlocked();
    pageControl->blockSignals(true);
    pageControl->addTab(this, caption);
    pageControl->blockSignals(wasSilent);
}

QString TTabSheet::Caption() const
{
    return m_pageControl->tabText(m_pageControl->indexOf(this));
}

void TTabSheet::SetCaption(const QString &caption)
{
    m_pageControl->setTabText(m_pageControl->indexOf(this), caption);
}

bool TTabSheet::Enabled() const
{
    return m_pageControl->isTabEnabled(m_pageControl->indexOf(this));
}

void TTabSheet::SetEnabled(bool on)
{
    m_pageControl->setTabEnabled(m_pageControl->indexOf(this), on);
}

TPageControl::TPageControl(QWidget *parent, const QString &name) : QTabWidget(parent)
{
    setObjectName(name);
    tabBar()->installEventFilter(this);
    connect(this, &QTabWidget::currentChanged, this, [this](int) {
        if (!m_silent && OnChange)
            EventBoundary::run([this] { OnChange(this); });
    });
}

TTabSheet *TPageControl::ActivePage() const
{
    return qobject_cast<TTabSheet *>(currentWidget());
}

void TPageControl::SetActivePage(TTabSheet *sheet)
{
    m_silent = true;
    setCurrentWidget(sheet);
    m_silent = false;
}

int TPageControl::PageCount() const { return count(); }

TTabSheet *TPageControl::Pages(int index) const
{
    return qobject_cast<TTabSheet *>(widget(index));
}

bool TPageControl::leaveAllowed()
{
    return !OnChanging || EventBoundary::attempt([this] { OnChanging(this); });
}

void TPageControl::keyPressEvent(QKeyEvent *event)
{
    // Ctrl+Tab and Ctrl+PageUp/PageDown change the sheet from anywhere in the control.
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int key = event->key();
    if (ctrl && (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_PageUp || key == Qt::Key_PageDown) &&
        count() > 1 && !leaveAllowed()) {
        event->accept();
        return;
    }
    QTabWidget::keyPressEvent(event);
}

bool TPageControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tabBar() && event->type() == QEvent::KeyPress && OnChanging) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool moves = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
                           key == Qt::Key_Down || key == Qt::Key_Home || key == Qt::Key_End;
        if (moves && count() > 1 && !leaveAllowed())
            return true;
    }
    // The tab bar changes the page on a press; the sheet being left gets its say first.
    if (watched == tabBar() && event->type() == QEvent::MouseButtonPress && OnChanging) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const int index = tabBar()->tabAt(mouse->position().toPoint());
        if (index >= 0 && index != currentIndex() && isTabEnabled(index) && !leaveAllowed())
            return true;
    }
    return QTabWidget::eventFilter(watched, event);
}
