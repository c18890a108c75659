#include "ui/app_icon.h"

// Q_INIT_RESOURCE declares its function where it is used: it must stand outside
// any namespace.
static void init_resources() {
  Q_INIT_RESOURCE(resources);
}

namespace tastarion::ui {

QIcon app_icon() {
  static const bool registered = [] {
    init_resources();
    return true;
  }();
  (void)registered;
  return QIcon(QStringLiteral(":/tastarion.png"));
}

}  // namespace tastarion::ui
