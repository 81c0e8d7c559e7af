#pragma once
// The mark of a value the instrument has not confirmed: a dashed underline of its text,
// drawn in the label's own text colour (a shape, not a colour; it swaps with the emphasis and
// has the text's contrast), and the tooltip "仪器未确认". The label keeps its text.

class QLabel;

namespace qlm {

void mark_unconfirmed(QLabel* label, bool unconfirmed);
bool is_marked_unconfirmed(const QLabel* label);

} // namespace qlm
