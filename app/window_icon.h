#pragma once
#include <QIcon>

// The window icon: a small table passing into a worksheet, drawn at 16x16 and 48x48
// in 256 colours (drawn in code; no image files).
QIcon windowIcon16And48();
