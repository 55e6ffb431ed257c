#pragma once

// The window's message boxes answered as an operator would, for tests of the real window: each
// real box answered with Return once it holds the focus, and noted in the log pane where it came
// up, with what was wrong about it.

#include <QTimer>
#include <memory>

#include "app/Form1.h"

// The device controls are held, the file browser is not.
bool DeviceControlsHeld(const Form1& window);

// Logs "warning box: TEXT" or "information box: TEXT", followed by " (title wrong)" or " (device
// controls live)" where the box was so, and answers it. Answers while the timer lives.
std::unique_ptr<QTimer> AnswerBoxes(const Form1& window);

// What an answered box leaves in the log pane, '|' after each line: where it came up, then its
// text as the window logs it.
QString BoxLogged(const QString& icon, const QString& text);
