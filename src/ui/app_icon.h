#pragma once

#include <QIcon>

namespace tastarion::ui {

// The window icon, compiled in from res/. Registers the resources of the static
// library on first use, which a program linking it would otherwise have to do.
QIcon app_icon();

}  // namespace tastarion::ui
