#pragma once

#include <windows.h>

#include "ui/rules/signal_history.h"

namespace skylark::win32ui {

// The Status page's chart: SNR and strength over the last ten minutes, the SNR 7 lock threshold
// dashed, lock gained and lost marked, drawn with GDI into an off-screen bitmap and scaled with
// the window's DPI. A dialog template places it as a control of this class.
inline constexpr wchar_t kSignalChartClass[] = L"SkylarkSignalChart";

bool RegisterSignalChartClass(HINSTANCE instance);

// The history the chart draws (it keeps none of its own); repaints it. Null draws an empty chart.
void ShowHistory(HWND chart, const rules::SignalHistory* history);

}  // namespace skylark::win32ui
