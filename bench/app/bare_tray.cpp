// The yardstick for Corvane's idle cost: a Qt tray application that shows
// an icon and does nothing else, linked and started the same way. With
// --tick it also wakes up every two seconds, as Corvane's refresh does, and
// does nothing then: the cost of the wake-ups alone.

#include <QApplication>
#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("bare_tray"));
    QApplication::setQuitOnLastWindowClosed(false);

    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x30, 0x80, 0xd0));
        painter.drawEllipse(pixmap.rect().adjusted(2, 2, -2, -2));
    }

    const QIcon icon(pixmap);
    QSystemTrayIcon tray(icon);
    tray.setToolTip(QStringLiteral("bare_tray"));
    tray.show();
    QTimer tick;
    if (QApplication::arguments().contains(QStringLiteral("--tick"))) {
        tick.start(2000);
    }
    return QApplication::exec();
}
