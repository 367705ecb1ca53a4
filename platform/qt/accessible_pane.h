// The reading pane as assistive technology sees it (see accessible_pane.cpp).
#pragma once

class QPlainTextEdit;

namespace vt {

// Makes the pane's text reach assistive technology as shown: before the pane is first shown.
void MakePaneAccessible(QPlainTextEdit* pane);

}  // namespace vt
