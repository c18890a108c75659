#include "app/x11_key_repeat.h"

#include <QGuiApplication>

// xkb.h names a structure field `explicit`, a keyword in C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdlib>

namespace tastarion {

bool ask_detectable_auto_repeat() {
  auto* x11 =
      qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
  if (connection == nullptr) return false;

  xcb_xkb_use_extension_reply_t* extension = xcb_xkb_use_extension_reply(
      connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
      nullptr);
  const bool has_xkb = extension != nullptr && extension->supported;
  std::free(extension);
  if (!has_xkb) return false;

  constexpr uint32_t kFlag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
  xcb_xkb_per_client_flags_reply_t* flags = xcb_xkb_per_client_flags_reply(
      connection,
      xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, kFlag, kFlag, 0, 0, 0),
      nullptr);
  const bool granted = flags != nullptr && (flags->value & kFlag) != 0;
  std::free(flags);
  return granted;
}

KeyRepeats platform_key_repeats() {
  // Wayland marks its repeats itself; X11 does once the server grants the flag.
  const bool pairs =
      QGuiApplication::platformName() == QLatin1String("xcb") && !ask_detectable_auto_repeat();
  return pairs ? KeyRepeats::release_press_pairs : KeyRepeats::presses;
}

}  // namespace tastarion
