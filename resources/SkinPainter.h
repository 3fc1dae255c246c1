#pragma once

// Draws the three pictures (normal, hover, checked) of each window from its record table.

#include <QImage>

enum class SkinLook { Normal, Hover, Checked };

// The main window of a model group (deviceType 2, 3, 4 or any other value).
QImage paintMainWindow(int deviceType, SkinLook look);
QImage paintProgressWindow(SkinLook look);
// A plain skinned panel of the given size and colour key, for windows whose own tables
// are not part of this build.
QImage paintPlainPanel(int width, int height, QRgb colourKey, const QString& title, SkinLook look);
QImage paintAppIcon(int size);
