#include "app/AlertPresenter.h"

#include <QApplication>
#include <QMessageBox>

namespace corvane {

void MessageBoxAlertPresenter::showWarning(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::NoButton);
    box.setInformativeText(text);
    box.addButton(QStringLiteral("확인"), QMessageBox::AcceptRole);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // A tray application has no window of its own to raise, so the box
    // asks for focus itself.
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
}

}  // namespace corvane
