// The machine the program runs on in tests must look like a Japanese Windows
// desktop at 96 dots per inch; these checks catch a harness that drifted.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

TEST(TestEnvironment, IsAJapaneseSystemAtNinetySixDotsPerInch) {
  EXPECT_EQ(GetACP(), 932u);
  const HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  ReleaseDC(nullptr, screen);
}

TEST(TestEnvironment, TheLayoutFontMeasuresZeroTwelvePixelsHigh) {
  const HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"ＭＳ Ｐゴシック");
  const HDC screen = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(screen, font);
  SIZE size{};
  GetTextExtentPoint32A(screen, "0", 1, &size);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  DeleteObject(font);
  EXPECT_EQ(size.cy, 12);
}

TEST(TestEnvironment, TheShellOpensWebAddressesInTheRecordingBrowser) {
  char logPath[MAX_PATH] = {};
  if (GetEnvironmentVariableA("MIROKATE_BROWSER_LOG", logPath, sizeof logPath) == 0) {
    GTEST_SKIP() << "not run by the project's Wine runner";
  }
  // The log is a Unix path; Wine shows the Unix root as drive Z:.
  std::string windowsPath = std::string("Z:") + logPath;
  for (char& c : windowsPath) c = c == '/' ? '\\' : c;
  const std::string address = "http://example.invalid/info.php?pf=w&sn=t%20" + std::to_string(GetTickCount());
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "OPEN", address.c_str(), nullptr, nullptr, SW_SHOW));
  EXPECT_GT(result, 32);
  bool seen = false;
  for (int i = 0; i < 200 && !seen; ++i) {
    Sleep(50);
    std::ifstream log(windowsPath);
    std::stringstream content;
    content << log.rdbuf();
    seen = content.str().find(address) != std::string::npos;
  }
  EXPECT_TRUE(seen) << address;
}
