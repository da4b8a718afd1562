// The display side of the test bench: a window painted on the private Xvfb display can be read
// back pixel by pixel and kept as a screenshot artifact, as the property-sheet tests will.
#include <gtest/gtest.h>

#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

constexpr COLORREF kPaint = RGB(0x20, 0x80, 0xE0);

LRESULT CALLBACK PaintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        HBRUSH brush = CreateSolidBrush(kPaint);
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void PumpFor(DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    while (GetTickCount() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
}

TEST(Display, PaintedWindowCanBeReadBackAndSaved) {
    ASSERT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
    WNDCLASSW cls{};
    cls.lpfnWndProc = PaintProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"KelnoDisplayTest";
    ASSERT_NE(RegisterClassW(&cls), 0);
    HWND window = CreateWindowExW(WS_EX_TOPMOST, cls.lpszClassName, L"display test", WS_POPUP | WS_VISIBLE, 50, 60, 200,
                                  120, nullptr, nullptr, cls.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);
    PumpFor(500);

    HDC screen = GetDC(nullptr);
    const COLORREF inside = GetPixel(screen, 150, 120);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(inside, kPaint);

    const std::wstring shot = JoinPath(ArtifactFolder(), L"display_test.bmp");
    ASSERT_TRUE(SaveScreenshot(window, shot));
    const std::string bmp = ReadFileBytes(shot);
    ASSERT_GT(bmp.size(), 54u + 200u * 3u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    // First pixel of the bottom row, stored blue-green-red.
    EXPECT_EQ(static_cast<unsigned char>(bmp[54]), 0xE0);
    EXPECT_EQ(static_cast<unsigned char>(bmp[55]), 0x80);
    EXPECT_EQ(static_cast<unsigned char>(bmp[56]), 0x20);
    DestroyWindow(window);
}

}  // namespace
}  // namespace kelno::test
