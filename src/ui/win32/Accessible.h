// The window's controls for screen readers and UI automation tools: an
// IAccessible object for the client area whose children are the objects
// that ui/Accessibility.h describes.
//
// Objects keep only a weak hold on their control; one whose control has
// been destroyed (a page rebuilt while a client held it) answers
// CO_E_OBJNOTCONNECTED. Default actions are posted to the window's thread
// and run after the client's call has returned, as a click would be.
// Changes reach clients as WinEvents about the client area, each object
// named by a child id that get_accChild resolves.
#pragma once

#include <windows.h>

namespace ui {

class Control;
class Window;

// WM_GETOBJECT: the client area's object for OBJID_CLIENT, the system's
// answer for every other object id.
LRESULT AnswerGetObject(Window& window, HWND hwnd, WPARAM wParam, LPARAM lParam);

// The native child window over `control` (its EDIT or RichEdit) answers
// WM_GETOBJECT for its client area with the control's object.
void AnswerForControl(HWND child, Control& control);

// NotifyWinEvent for `object`, an object of the window's tree: the root as
// the client area itself, any other by a child id of its own that the
// client area's get_accChild answers while the control lives.
void NotifyAccessible(HWND hwnd, DWORD event, Control& object);

}  // namespace ui
