#pragma once

// Small pieces of the program's look shared by its windows and tools: the
// wait cursor of a long operation and the dark palette of screenshots.

#include <QCursor>
#include <QGuiApplication>
#include <QPalette>

// The wait cursor for as long as the object lives.
class CWaitCursor {
public:
    CWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor &) = delete;
    CWaitCursor &operator=(const CWaitCursor &) = delete;
};

// A dark palette, for looking at the windows as a dark desktop shows them.
QPalette DarkPalette();
