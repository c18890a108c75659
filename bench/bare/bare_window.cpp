// A bare Qt window of the program's size: the yardstick for the program's start-up.
#include <QApplication>
#include <QWidget>

#include "app/startup_probe.h"

int main(int, char** argv) {
  int qt_argc = 1;
  QApplication application(qt_argc, argv);
  QWidget window;
  window.setFixedSize(624, 126);
  tastarion::install_startup_probe(window);
  window.show();
  return QApplication::exec();
}
