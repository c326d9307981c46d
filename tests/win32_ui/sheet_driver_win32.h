#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Drives a running skylark.exe from another process through window messages only, the way a
// user's clicks reach it: the sheet and its pages are found by window, controls by their ids.
namespace skylark::wintest {

using namespace std::chrono_literals;

// Starts skylark.exe from the current folder (the unpacked package, with its site file), as a
// user does; its handles are null when it could not be started.
PROCESS_INFORMATION LaunchProgram();
// The program's top-level window that holds a tab control (the sheet); null until it appears.
HWND FindSheet(DWORD processId, std::chrono::milliseconds timeout);
// A message box of the program: its text, after dismissing it with OK; empty when none came.
std::wstring DismissMessage(DWORD processId, std::chrono::milliseconds timeout);

// The program's save-file dialog: types `path` as the file name and presses Save; false when no
// dialog came or it stayed.
bool SaveAs(DWORD processId, const std::wstring& path, std::chrono::milliseconds timeout);

// Turns the sheet to the page made from dialog template `templateId` (IDD_TUNE) and returns
// that page's dialog.
HWND ShowPage(HWND sheet, int templateId);
// Presses a button without waiting for what it does (it may block in a tune or a message box).
void Click(HWND page, int id);
// Chooses the entry of that text in a drop-down list, as the user would; false when absent.
bool Choose(HWND page, int id, const std::wstring& text);
// A control's text without its keyboard mnemonic.
std::wstring TextOf(HWND page, int id);
// Polls until `holds` does; false when it still does not after `timeout`.
bool Eventually(const std::function<bool()>& holds, std::chrono::milliseconds timeout);
// Waits until a control shows `expected`; returns the last text seen.
std::wstring AwaitText(HWND page, int id, const std::wstring& expected, std::chrono::milliseconds timeout);
bool IsEnabled(HWND page, int id);
// Tells `window` (HWND_BROADCAST: every top-level window), as Windows does, that the device of
// port `device` ("COM12") was added (DBT_DEVICEARRIVAL) or removed (DBT_DEVICEREMOVECOMPLETE).
void SendPortChange(HWND window, const std::wstring& device, UINT event);
// How many pixels of exactly `colour` the screen shows in `part` of a window (window
// coordinates, top-down); -1 when it cannot be read.
int CountPixels(HWND window, COLORREF colour, const RECT& part);
// What the screen shows of a window, bottom-up 24-bit rows; false when that fails.
bool CaptureWindow(HWND window, BITMAPINFOHEADER& info, std::vector<BYTE>& pixels);

}  // namespace skylark::wintest
