#pragma once

#include <Qt>

// Keys and shift states as the screens' handlers see them.
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
