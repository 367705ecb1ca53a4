// The floor the reader's start-up is compared with: a bare Qt program that shows one 64 pt label,
// yellow on blue like the reader's text, in a frameless 1900 x 1000 window, and waits.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QPalette>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QLabel label(QStringLiteral("In the beginning"));
  label.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSize(64);
  label.setFont(font);
  QPalette palette = label.palette();
  palette.setColor(QPalette::Window, QColor(0, 0, 255));
  palette.setColor(QPalette::WindowText, QColor(255, 255, 0));
  label.setPalette(palette);
  label.setAutoFillBackground(true);
  label.setAlignment(Qt::AlignCenter);
  label.setGeometry(0, 0, 1900, 1000);
  label.show();
  return application.exec();
}
