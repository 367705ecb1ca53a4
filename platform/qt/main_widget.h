// The Qt main window, shared by the back end's files (the bar hands its clicks to it). Its event
// overrides are one line each: they hand the event to the program's typed events.
#pragma once
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include <vector>

#include "platform/main_window_record.h"
#include "platform/window.h"

namespace vt {

class MainWidget : public QWidget, public MainWindowRecord {
 public:
  explicit MainWidget(MainWindowEvents handlers);

  bool dragArmed = false;  // a press on the caption area waits for the pointer to move
  QPoint dragFrom;         // where that press was, in screen coordinates

 protected:
  void resizeEvent(QResizeEvent*) override { Raise(events.resized); }
  void paintEvent(QPaintEvent* e) override;
  // A close request from the window manager ends the program like Esc.
  void closeEvent(QCloseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent*) override { dragArmed = false; }
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
};

// The whole notches of a wheel turn, at least one either way.
int WheelSteps(const QWheelEvent* e);

}  // namespace vt
