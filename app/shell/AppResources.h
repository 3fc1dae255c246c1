#pragma once

// The drawing objects every window borrows: the model's pictures, the dark brush of the
// read-only text boxes and a table of 50 fonts whose index is the character height in
// pixels. Owned by the application object; windows never copy or free them.

#include <QBrush>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QString>

#include <array>
#include <map>

class AppResources {
public:
    static constexpr int kFontCount = 50;

    // The resource pack folder: QORVANTRES beside the program.
    static QString defaultPackDir();

    // Loads the pictures of the model from the pack folder. A missing pack or picture
    // leaves that image empty; there is no message.
    void loadPictures(int deviceType, const QString& packDir);
    void createDrawingObjects();
    void release();

    // An empty image when the picture is not loaded.
    const QImage& image(int id) const;
    const QBrush& darkBrush() const { return brush; }
    // Index clamped to the table; 0 is the default-height font.
    const QFont& font(int index) const;
    const QIcon& icon() const { return appIcon; }

    // The resources of the running program (an empty set before start-up).
    static AppResources& current();

private:
    std::map<int, QImage> images;
    QBrush brush;
    std::array<QFont, kFontCount> fonts;
    QIcon appIcon;
};
