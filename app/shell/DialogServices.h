#pragma once

// Every modal question the program asks the user goes through this interface, so window
// tests answer from a script instead of blocking on a real box.

#include <QString>
#include <QStringList>

#include <memory>

class QWidget;
class QPoint;

class DialogServices {
public:
    enum class Icon { None, Information, Exclamation, Question, Error };
    enum class Buttons { Ok, YesNo };
    enum Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

    virtual ~DialogServices() = default;

    virtual int messageBox(QWidget* parent, const QString& text, const QString& caption,
                           Buttons buttons, Icon icon) = 0;
    // Empty result: the user cancelled. filter uses Qt's "name (*.ext);;..." form.
    virtual QString saveFileName(QWidget* parent, const QString& filter,
                                 const QString& defaultSuffix) = 0;
    virtual QString openFileName(QWidget* parent, const QString& filter,
                                 const QString& defaultSuffix) = 0;
    // Index of the chosen item, or -1 when the menu was dismissed.
    virtual int popupMenu(QWidget* parent, const QStringList& items, const QPoint& where) = 0;
    // Hands a file to the desktop's handler for its type.
    virtual void openWithDesktop(const QString& filePath) = 0;
};

// The services in use; the Qt implementation unless a test installed its own.
DialogServices& dialogServices();
// nullptr restores the Qt implementation.
void setDialogServices(std::shared_ptr<DialogServices> services);
