// A length limit on what the operator types into a line edit. QLineEdit::setMaxLength also cuts text that
// the program sets; the window's limits restrict typing only, so a text set from code is shown whole.
#pragma once

class QLineEdit;

namespace ui {

void limitTyping(QLineEdit* edit, int maxLength);

// The limit set by limitTyping, or -1 when there is none.
[[nodiscard]] int typingLimit(const QLineEdit* edit);

}  // namespace ui
