// Started without a picture, the program explains itself and offers the
// information page; watched from outside, with the browser replaced by a
// stand-in that records the addresses it is asked to open.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"
#include "text/Utf16.h"

namespace {

// The stand-in's record, a Unix path reached through drive Z:.
std::string BrowserLog() {
  char buffer[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("MIROKATE_BROWSER_LOG", buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return std::string();
  std::string path = std::string("Z:") + buffer;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::vector<std::string> Lines(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  std::vector<std::string> lines;
  std::string line;
  for (const uint8_t byte : bytes) {
    if (byte == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(byte);
    }
  }
  return lines;
}

struct PromptRun {
  DWORD exitCode = 99;
  std::vector<SeenBox> boxes;
  std::vector<std::string> opened;  // addresses the browser was asked to open
};

// Runs the program without arguments and answers its two boxes, and OK to any
// box after them. The browser is waited for when it is to be opened.
PromptRun Answer(WORD confirmation, const std::string& program = ProgramPath(), bool opens = true) {
  const std::string log = BrowserLog();
  const size_t before = Lines(log).size();
  PromptRun run;
  RunningProgram running("", program);
  EXPECT_TRUE(running.Started());
  BoxWatcher watcher(running.ProcessId(), std::vector<WORD>{VK_RETURN, confirmation, VK_RETURN});
  run.exitCode = running.WaitForExit();
  EXPECT_TRUE(watcher.WaitUntilQuiet());
  run.boxes = watcher.Seen();
  // The browser is started by the shell and may come a moment later: after Yes
  // the record is waited for (the bound only ends a failing run). Otherwise a
  // second is given for a stray record to show, and the test looks at the whole
  // log again at its end, for one that came later on a busy machine.
  for (int waited = 0; waited < (confirmation == 'Y' && opens ? 20000 : 1000); waited += 50) {
    const std::vector<std::string> lines = Lines(log);
    if (lines.size() > before) {
      run.opened.assign(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end());
      break;
    }
    Sleep(50);
  }
  return run;
}

// The explanation and the question, and as many boxes after them.
void ExpectTheTwoBoxes(const std::vector<SeenBox>& boxes, size_t after = 0) {
  ASSERT_EQ(2u + after, boxes.size());
  EXPECT_TRUE(boxes[0].messageForm);
  EXPECT_EQ("ミロカテ", boxes[0].caption);
  EXPECT_EQ("アイコン（実行ファイル）上に画像ファイルをドロップしてください。", boxes[0].text);
  EXPECT_EQ(std::vector<std::string>{"OK"}, boxes[0].buttons);
  EXPECT_TRUE(boxes[1].messageForm);
  EXPECT_EQ("確認", boxes[1].caption);
  EXPECT_EQ("インフォメーションを参照しますか？", boxes[1].text);
  EXPECT_EQ((std::vector<std::string>{"はい(Y)", "いいえ(N)"}), boxes[1].buttons);
}

}  // namespace

TEST(InformationPrompt, NoOrTheCloseBoxOpensNothing) {
  ASSERT_FALSE(BrowserLog().empty()) << "run under scripts/wine-runner";
  const size_t recorded = Lines(BrowserLog()).size();
  for (const WORD answer : {static_cast<WORD>('N'), static_cast<WORD>(VK_ESCAPE), kCloseBox}) {
    SCOPED_TRACE(answer);
    const PromptRun run = Answer(answer);
    EXPECT_EQ(0u, run.exitCode);
    ExpectTheTwoBoxes(run.boxes);
    EXPECT_TRUE(run.opened.empty());
  }
  EXPECT_EQ(recorded, Lines(BrowserLog()).size());
}

TEST(InformationPrompt, YesOpensThePageNamingTheProgramFileAsItIsOnDisk) {
  ASSERT_FALSE(BrowserLog().empty()) << "run under scripts/wine-runner";
  if (std::string(MIROKATE_INFO_ADDRESS).empty()) GTEST_SKIP() << "a build without a web address opens its guide";
  // A copy whose name needs escaping, started under another case of its name.
  PictureFolder folder("prog");
  const std::string stored = folder.Expect("ミロ Tool #1&.exe");
  ASSERT_TRUE(CopyFileW(Wide(ProgramPath()).c_str(), Wide(stored).c_str(), FALSE));
  const PromptRun run = Answer('Y', folder.Folder() + "\\ミロ TOOL #1&.exe");
  EXPECT_EQ(0u, run.exitCode);
  ExpectTheTwoBoxes(run.boxes);
  // The trail byte of ミ is "~", which stays.
  EXPECT_EQ(std::vector<std::string>{MIROKATE_INFO_ADDRESS "/info.php?pf=w&sn=%83~%83%8D%20Tool%20%231%26"},
            run.opened);
}

// A copy of the program opens the guide beside itself, never the build's; without
// it, a box names the file the copy looked for.
TEST(InformationPrompt, YesOpensTheGuideBesideTheProgramOrABoxNamingItWhenMissing) {
  ASSERT_FALSE(BrowserLog().empty()) << "run under scripts/wine-runner";
  if (!std::string(MIROKATE_INFO_ADDRESS).empty()) GTEST_SKIP() << "this build opens its web address";
  const std::string builtGuide = ProgramPath().substr(0, ProgramPath().rfind('\\')) + "\\mirokate.html";
  for (const std::string place : {"guide-shipped", "guide-missing"}) {
    SCOPED_TRACE(place);
    const bool shipped = place == "guide-shipped";
    PictureFolder folder(place);
    const std::string program = folder.Expect("mirokate.exe");
    ASSERT_TRUE(CopyFileW(Wide(ProgramPath()).c_str(), Wide(program).c_str(), FALSE));
    if (shipped) {
      ASSERT_TRUE(CopyFileW(Wide(builtGuide).c_str(), Wide(folder.Expect("mirokate.html")).c_str(), FALSE));
    }
    const PromptRun run = Answer('Y', program, shipped);
    EXPECT_EQ(0u, run.exitCode);
    ExpectTheTwoBoxes(run.boxes, shipped ? 0 : 1);
    if (shipped) {
      // Wine's browser launcher hands the browser the page as a file: address.
      ASSERT_EQ(1u, run.opened.size());
      EXPECT_EQ(0u, run.opened[0].rfind("file:", 0)) << run.opened[0];
      EXPECT_NE(std::string::npos, run.opened[0].find("/" + place + "/mirokate.html")) << run.opened[0];
    } else if (run.boxes.size() == 3) {
      EXPECT_NE(std::string::npos, run.boxes[2].text.find("\\" + place + "\\mirokate.html")) << run.boxes[2].text;
      EXPECT_TRUE(run.opened.empty());
    }
  }
}
