#pragma once
// The wait cursor over the program's windows while a calculation that may take seconds runs on
// the window's thread (the envelope of a moving load in thousands of positions, with every soil
// factor), put back however it ends.

#include <QGuiApplication>

namespace pelvar {

class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace pelvar
