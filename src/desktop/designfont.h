#pragma once

#include <QFont>

// The windows are designed in Tahoma at pixel heights; where Tahoma is missing, Liberation
// Sans (Arial's metrics) keeps the texts inside their designed places.
QFont designFont(int pixelSize, bool bold = false);
