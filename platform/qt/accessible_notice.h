// How notices reach assistive technology: the label in the bar's place is an alert whose name is
// its text, and screen readers are told when it appears and when its text changes.
#pragma once

class QLabel;

namespace vt {

// Makes a label a notice for assistive technology; before it is first shown.
void MarkAsNotice(QLabel* label);

// Tells assistive technology that the notice is shown with its (new) text.
void AnnounceNotice(QLabel* notice);

}  // namespace vt
