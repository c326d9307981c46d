#include "ui/win32/signal_chart.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "ui/win32/dpi.h"

namespace skylark::win32ui {
namespace {

using Clock = std::chrono::system_clock;

constexpr COLORREF kSnrColour = RGB(0x15, 0x65, 0xc0);
constexpr COLORREF kStrengthColour = RGB(0xef, 0x6c, 0x00);
constexpr COLORREF kThresholdColour = RGB(0x70, 0x70, 0x70);
constexpr COLORREF kGainedColour = RGB(0x2e, 0x7d, 0x32);
constexpr COLORREF kLostColour = RGB(0xc6, 0x28, 0x28);

// The GDI objects of one paint, released when it ends.
class GdiObject {
 public:
  explicit GdiObject(HGDIOBJ object) : object_(object) {}
  ~GdiObject() { ::DeleteObject(object_); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  HGDIOBJ get() const { return object_; }

 private:
  HGDIOBJ object_;
};

std::wstring ClockText(Clock::time_point at, bool seconds) {
  const std::time_t t = Clock::to_time_t(at);
  std::tm local{};
  ::localtime_s(&local, &t);
  wchar_t text[16];
  std::wcsftime(text, 16, seconds ? L"%H:%M:%S" : L"%H:%M", &local);
  return text;
}

class Painter {
 public:
  Painter(HWND window, HDC dc, const RECT& client, rules::ChartContents contents)
      : dc_(dc), contents_(std::move(contents)), scale_(WindowDpi(window) / 96.0) {
    const int text = TextHeight();
    plot_ = {client.left + Px(22), client.top + Px(4), client.right - Px(24), client.bottom - 2 * text - Px(4)};
  }

  void Paint() {
    ::FillRect(dc_, &plot_, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::FrameRect(dc_, &plot_, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
    Axes();
    {
      // Dashed lines are drawn one pixel wide only; the threshold needs no more.
      GdiObject pen(::CreatePen(PS_DASH, 1, kThresholdColour));
      ::SelectObject(dc_, pen.get());
      ::MoveToEx(dc_, plot_.left, YOf(kLockThreshold, contents_.snrTop), nullptr);
      ::LineTo(dc_, plot_.right, YOf(kLockThreshold, contents_.snrTop));
      ::SelectObject(dc_, ::GetStockObject(BLACK_PEN));
    }
    Lines(kStrengthColour, Px(1), contents_.strengthTop, &rules::SignalPoint::strength);
    Lines(kSnrColour, Px(2), contents_.snrTop, &rules::SignalPoint::snr);
    Markers();
  }

 private:
  int Px(double units) const { return static_cast<int>(std::lround(units * scale_)); }

  int TextHeight() const {
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc_, &metrics);
    return metrics.tmHeight;
  }

  int XOf(Clock::time_point at) const {
    const double share = std::chrono::duration<double>(at - contents_.start) / (contents_.end - contents_.start);
    return plot_.left + static_cast<int>(std::lround(share * (plot_.right - 1 - plot_.left)));
  }

  int YOf(int value, int top) const {
    value = std::clamp(value, 0, top);
    return plot_.bottom - 1 - static_cast<int>(std::lround(double(value) / top * (plot_.bottom - 1 - plot_.top)));
  }

  void Text(int x, int y, const std::wstring& text, COLORREF colour, UINT align) {
    ::SetTextColor(dc_, colour);
    ::SetTextAlign(dc_, align);
    ::TextOutW(dc_, x, y, text.c_str(), static_cast<int>(text.size()));
  }

  void Axes() {
    ::SetBkMode(dc_, TRANSPARENT);
    const int gap = Px(3);
    Text(plot_.left - gap, plot_.top, std::to_wstring(contents_.snrTop), kSnrColour, TA_RIGHT | TA_TOP);
    Text(plot_.left - gap, plot_.bottom - TextHeight(), L"0", kSnrColour, TA_RIGHT | TA_TOP);
    Text(plot_.right + gap, plot_.top, std::to_wstring(contents_.strengthTop), kStrengthColour, TA_LEFT | TA_TOP);
    Text(plot_.right + gap, plot_.bottom - TextHeight(), L"0", kStrengthColour, TA_LEFT | TA_TOP);
    Text(plot_.left, plot_.bottom, ClockText(contents_.start, contents_.seconds), ::GetSysColor(COLOR_WINDOWTEXT), TA_LEFT | TA_TOP);
    Text(plot_.right, plot_.bottom, ClockText(contents_.end, contents_.seconds), ::GetSysColor(COLOR_WINDOWTEXT), TA_RIGHT | TA_TOP);
    // The legend, on one row under the time axis.
    int x = plot_.left;
    const int y = plot_.bottom + TextHeight();
    for (const auto& [name, colour] :
         {std::pair{L"SNR", kSnrColour}, std::pair{L"Strength", kStrengthColour},
          std::pair{L"Lock gained", kGainedColour}, std::pair{L"Lock lost", kLostColour}}) {
      Text(x, y, name, colour, TA_LEFT | TA_TOP);
      SIZE size{};
      ::GetTextExtentPoint32W(dc_, name, static_cast<int>(std::wcslen(name)), &size);
      x += size.cx + Px(8);
    }
  }

  // A polyline per line of the history; a line of one reading is a dot.
  void Lines(COLORREF colour, int width, int top, std::int32_t rules::SignalPoint::*value) {
    GdiObject pen(::CreatePen(PS_SOLID, width, colour));
    ::SelectObject(dc_, pen.get());
    for (const std::vector<rules::SignalPoint>& line : contents_.lines) {
      const int x = XOf(line.front().at);
      const int y = YOf(line.front().*value, top);
      ::MoveToEx(dc_, x, y, nullptr);
      ::LineTo(dc_, x + 1, y);  // seen even when no neighbour follows
      ::MoveToEx(dc_, x, y, nullptr);
      for (const rules::SignalPoint& p : line) ::LineTo(dc_, XOf(p.at), YOf(p.*value, top));
    }
    ::SelectObject(dc_, ::GetStockObject(BLACK_PEN));
  }

  void Markers() {
    const int half = Px(3);
    for (const rules::LockChange& change : contents_.lockChanges) {
      const int x = XOf(change.at);
      const int y = YOf(change.snr, contents_.snrTop);
      const RECT mark{x - half, y - half, x + half + 1, y + half + 1};
      GdiObject brush(::CreateSolidBrush(change.locked ? kGainedColour : kLostColour));
      ::FillRect(dc_, &mark, static_cast<HBRUSH>(brush.get()));
    }
  }

  HDC dc_;
  const rules::ChartContents contents_;
  double scale_;
  RECT plot_{};
};

// Painted whole into a bitmap first, so that the once-a-second repaint never flickers.
void PaintChart(HWND window) {
  PAINTSTRUCT paint;
  const HDC screen = ::BeginPaint(window, &paint);
  RECT client;
  ::GetClientRect(window, &client);
  const HDC dc = ::CreateCompatibleDC(screen);
  {
    GdiObject bitmap(::CreateCompatibleBitmap(screen, client.right, client.bottom));
    const HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap.get());
    const HGDIOBJ oldFont = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)));
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    const auto* history = reinterpret_cast<const rules::SignalHistory*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    const rules::SignalHistory none;
    Painter(window, dc, client, (history != nullptr ? *history : none).At(Clock::now())).Paint();
    ::BitBlt(screen, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ::SelectObject(dc, oldFont);
    ::SelectObject(dc, oldBitmap);
  }
  ::DeleteDC(dc);
  ::EndPaint(window, &paint);
}

LRESULT CALLBACK ChartProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintChart(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers it all
    case WM_SETFONT:
      ::SetPropW(window, L"font", reinterpret_cast<HANDLE>(wParam));
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(::GetPropW(window, L"font"));
    case WM_NCDESTROY:
      ::RemovePropW(window, L"font");
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool RegisterSignalChartClass(HINSTANCE instance) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ChartProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kSignalChartClass;
  return ::RegisterClassW(&windowClass) != 0;
}

void ShowHistory(HWND chart, const rules::SignalHistory* history) {
  ::SetWindowLongPtrW(chart, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(history));
  ::InvalidateRect(chart, nullptr, FALSE);
}

}  // namespace skylark::win32ui
