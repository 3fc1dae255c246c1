#include "app/shell/DialogServices.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>

namespace {

class QtDialogServices final : public DialogServices {
public:
    int messageBox(QWidget* parent, const QString& text, const QString& caption, Buttons buttons,
                   Icon icon) override {
        QMessageBox box(parent);
        box.setWindowTitle(caption);
        box.setText(text);
        switch (icon) {
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Icon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Icon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case Icon::None:
            break;
        }
        if (buttons == Buttons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            return box.exec() == QMessageBox::Yes ? Yes : No;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return Ok;
    }

    QString saveFileName(QWidget* parent, const QString& filter,
                         const QString& defaultSuffix) override {
        return runFileDialog(parent, filter, defaultSuffix, QFileDialog::AcceptSave);
    }

    QString openFileName(QWidget* parent, const QString& filter,
                         const QString& defaultSuffix) override {
        return runFileDialog(parent, filter, defaultSuffix, QFileDialog::AcceptOpen);
    }

    int popupMenu(QWidget* parent, const QStringList& items, const QPoint& where) override {
        QMenu menu(parent);
        for (int i = 0; i < items.size(); ++i)
            menu.addAction(items[i])->setData(i);
        QAction* chosen = menu.exec(where);
        return chosen ? chosen->data().toInt() : -1;
    }

    void openWithDesktop(const QString& filePath) override {
        QDesktopServices::openUrl(QUrl::fromLocalFile(filePath));
    }

private:
    static QString runFileDialog(QWidget* parent, const QString& filter,
                                 const QString& defaultSuffix, QFileDialog::AcceptMode mode) {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(mode);
        dialog.setNameFilter(filter);
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                           : QFileDialog::ExistingFile);
        // Read-only files are hidden from the choice; overwriting asks first (Qt's default).
        dialog.setOption(QFileDialog::ReadOnly, false);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        QString path = dialog.selectedFiles().first();
        // Some desktop file choosers ignore the default suffix; a name without one gets it.
        if (mode == QFileDialog::AcceptSave && !defaultSuffix.isEmpty() &&
            QFileInfo(path).suffix().isEmpty())
            path += QLatin1Char('.') + defaultSuffix;
        return path;
    }
};

std::shared_ptr<DialogServices>& current() {
    static std::shared_ptr<DialogServices> services = std::make_shared<QtDialogServices>();
    return services;
}

} // namespace

DialogServices& dialogServices() {
    return *current();
}

void setDialogServices(std::shared_ptr<DialogServices> services) {
    current() = services ? std::move(services) : std::make_shared<QtDialogServices>();
}
