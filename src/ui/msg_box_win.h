#pragma once
// The stub's own modal message box (window class "VMsgBox"): a dark band with a system icon, a
// read-only rich-edit control showing the message markup, and a row of buttons. Only one box can
// be open at a time; its loop keeps every other window of the thread running.
#include <windows.h>

#include <string>

namespace velkor {

// Modes: 0 writes the caption as a bold heading above the text, 1 does not, 2 does not and greys
// the box's Close command so only a button can end it.
// Returns the chosen button's code (1 OK, 2 Cancel, 6 Yes, 7 No), 0 when the box was closed
// without a button. `style` is built from the message-box flags (button set, icon, right
// alignment, RTL reading); `timeout_ms` > 0 chooses the leftmost button when it runs out.
int MsgBoxShow(int mode, const std::string& text, const std::string& caption, DWORD timeout_ms,
               UINT style, int charset, const std::string& buttons);

// Shortcuts: an empty caption or button list takes the built-in English one.
void ErrorBox(int mode, const std::string& text, const std::string& caption, int charset,
              const std::string& buttons);
void AttentionBox(int mode, const std::string& text, const std::string& caption, DWORD timeout_ms,
                  int charset, const std::string& buttons);
// True for Yes; No or closing the box give false.
bool ConfirmBox(int mode, const std::string& text, const std::string& caption, DWORD timeout_ms,
                int charset, const std::string& buttons);
// True for OK; Cancel or closing the box give false.
bool OkCancelBox(int mode, const std::string& text, const std::string& caption, int charset,
                 const std::string& buttons);

// Font of every later box in this process. A size of 0 keeps the current size.
void SetMsgBoxFont(const std::string& face, int size, int charset);

// Loads the libraries the dialogs rely on once at start-up, without the system's "cannot find
// file" error box, and keeps them loaded. Returns false when the rich-edit library is missing.
bool PreloadUiLibraries();

// For tests: the window class used for the message text (nullptr restores "RICHEDIT"), so the
// fallback for a missing rich-edit control can be exercised.
void SetMsgBoxEditClassForTesting(const char* class_name);

}  // namespace velkor
