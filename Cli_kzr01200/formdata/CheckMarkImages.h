#pragma once

#include <QImage>

// The two 16x16 check-mark pictures, 16-colour images whose olive pixels are the background.
QImage checkedImage();
QImage uncheckedImage();
