#pragma once

#include <QApplication>
#include <QByteArray>

namespace brindlecap::testing {

// The one QApplication a widget test needs, created on first use and never destroyed: at exit,
// Qt's own statics may already be gone. Without a platform chosen, tests run offscreen.
inline void ensureQtApplication() {
  if (QApplication::instance()) return;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "brindlecap_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

}  // namespace brindlecap::testing
