#pragma once
// The exchange routines of a dialog's DoDataExchange: each moves one value
// between a member and the control with the given id, towards the control when
// loading and back when saving. A text that does not read as the member's
// type shows a message and fails the exchange, with the focus on that control.
// A missing control leaves the value as it is.
#include <string>

namespace platform {

class CDataExchange;

// Numbers are written with "%d", "%ld" and "%.6g"; when saving, the whole
// text (blanks around it allowed) must be one number that the type holds.
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, long& value);
void DDX_Text(CDataExchange* dx, int id, float& value);
void DDX_Text(CDataExchange* dx, int id, std::string& value);

// A group of radio buttons named by its first button: the buttons of that
// button's QButtonGroup, or else its radio-button siblings, from the first
// button on in the order they were added. The value is the index of the
// checked button, -1 for none.
void DDX_Radio(CDataExchange* dx, int id, int& value);

// A check box: 0 clear, 1 checked, 2 indeterminate (a tristate box).
void DDX_Check(CDataExchange* dx, int id, int& value);

}  // namespace platform
