#pragma once

#include <QApplication>
#include <QComboBox>
#include <QTest>

#include <cstdlib>

#include "app/application.h"
#include "tests/support/xdg_dirs_posix.h"
#include "ui/qt/ui_support.h"

namespace skylark::testing {

template <typename T = QWidget>
T* Find(const QObject& parent, const char* name) {
  return parent.findChild<T*>(QString::fromLatin1(name));
}

// Picks `text` in a list as the user does, so that the page hears of it.
inline void Choose(const QObject& parent, const char* list, const char* text) {
  auto* combo = Find<QComboBox>(parent, list);
  combo->setCurrentText(QString::fromLatin1(text));
  emit combo->activated(combo->currentIndex());
}

}  // namespace skylark::testing

// Offscreen unless told otherwise, in private configuration and runtime directories.
#define SKYLARK_UI_TEST_MAIN(TestClass)        \
  int main(int argc, char** argv) {            \
    skylark::testing::ScopedXdgDirs dirs;      \
    setenv("QT_QPA_PLATFORM", "offscreen", 0); \
    QApplication app(argc, argv);              \
    TestClass test;                            \
    return QTest::qExec(&test, argc, argv);    \
  }
