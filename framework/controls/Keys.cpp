#include "Keys.h"

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
