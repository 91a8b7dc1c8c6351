#include <gtest/gtest.h>

#include "tests/support/ScopedApplication.h"
#include "ui/CustomControl.h"
#include "ui/Form.h"
#include "ui/Image.h"
#include "ui/LayoutReader.h"
#include "ui/Timer.h"

namespace {

// A form whose layout the test hands over as text.
class TLayoutForm : public TForm {
public:
  explicit TLayoutForm(TComponent* owner) : TForm(owner) {}
  const char* ClassName() const override { return "TLayoutForm"; }
  int clicks = 0;

  void Apply(const std::string& layout) {
    BeginReading();
    made = ApplyLayout(layout, *this, [this](const std::string& name) -> TNotifyEvent {
      if (name == "CountClick") return [this](TComponent*) { ++clicks; };
      return TNotifyEvent();
    });
  }
  std::vector<TComponent*> made;
};

// A form without a layout of its own in the resources.
class TMissingLayoutForm : public TForm {
public:
  explicit TMissingLayoutForm(TComponent* owner) : TForm(owner) { ReadLayout(); }
  const char* ClassName() const override { return "TMissingLayoutForm"; }
};

std::string ReadFailure(const std::string& layout) {
  ScopedApplication app;
  TLayoutForm form(&*app);
  try {
    form.Apply(layout);
  } catch (const EReadError& failure) {
    return failure.Message();
  }
  return "(read without failure)";
}

}  // namespace

TEST(LayoutReading, CreatesComponentsAndSetsPropertiesInStoredOrder) {
  ScopedApplication app;
  TLayoutForm form(&*app);
  // Layout files are UTF-8, as the resource holds them.
  form.Apply(u8R"(form LayoutForm1: TLayoutForm
  Caption = "表示 ""引用"""   # a comment
  Color = clBlack
  child Panel1: TPanel
    Left = 10
    Visible = False
    child Image1: TImage
      Width = 30
      Stretch = True
    end
  end
  child Button1: TButton
    OnClick = CountClick
    Anchors = []
  end
  child Timer1: TTimer
    Interval = 0
  end
end
)");
  EXPECT_EQ(form.Name(), "LayoutForm1");
  EXPECT_EQ(form.Caption(), "表示 \"引用\"");
  EXPECT_EQ(form.Color(), clBlack);
  ASSERT_EQ(form.made.size(), 4u);
  auto* panel = dynamic_cast<TPanel*>(form.FindComponent("Panel1"));
  auto* image = dynamic_cast<TImage*>(form.FindComponent("Image1"));
  auto* button = dynamic_cast<TButton*>(form.FindComponent("Button1"));
  auto* timer = dynamic_cast<TTimer*>(form.FindComponent("Timer1"));
  ASSERT_TRUE(panel && image && button && timer);
  EXPECT_EQ(panel->Left(), 10);
  EXPECT_FALSE(panel->Visible());
  EXPECT_EQ(image->Parent(), panel);
  EXPECT_EQ(image->Width(), 30);
  EXPECT_TRUE(image->Stretch());
  EXPECT_EQ(button->Parent(), &form);
  EXPECT_EQ(timer->Interval(), 0u);
  EXPECT_TRUE(panel->Reading()) << "reading ends only when the whole layout is in";
  button->Click();
  EXPECT_EQ(form.clicks, 1);
}

TEST(LayoutReading, BrokenLayoutsFailWithAClearMessage) {
  EXPECT_EQ(ReadFailure("form F: TLayoutForm\n  child X: TNoSuchClass\n  end\nend\n"),
            "クラス TNoSuchClass が見つかりません");
  EXPECT_EQ(ReadFailure("form F: TLayoutForm\n  child P: TPanel\n    Sparkle = 1\n  end\nend\n"),
            "P.Sparkle の読み込み中のエラー : プロパティ Sparkle は存在しません");
  EXPECT_EQ(ReadFailure("form F: TLayoutForm\n  child P: TPanel\n    Visible = 3\n  end\nend\n"),
            "P.Visible の読み込み中のエラー : プロパティの値が不正です");
  EXPECT_EQ(ReadFailure("form F: TLayoutForm\n  BorderStyle = bsRound\nend\n"),
            "F.BorderStyle の読み込み中のエラー : プロパティの値が不正です");
  EXPECT_EQ(ReadFailure("form F: TLayoutForm\n  child B: TButton\n    OnClick = NoSuchHandler\n  end\nend\n"),
            "B.OnClick の読み込み中のエラー : イベント ハンドラ NoSuchHandler が見つかりません");
  EXPECT_EQ(ReadFailure("form F: TLayoutForm\n  Left = 1\n"), "レイアウトの 2 行目が不正です")
      << "a layout without its end";
  EXPECT_EQ(ReadFailure("form F: TLayoutForm\n  Left 1\nend\n"), "レイアウトの 2 行目が不正です");
  EXPECT_EQ(ReadFailure("form F: TOtherForm\nend\n"), "レイアウトの 1 行目が不正です");
  EXPECT_EQ(ReadFailure("form F: TLayoutForm\n  Caption = \"open\nend\n"), "レイアウトの 2 行目が不正です");
  EXPECT_EQ(ReadFailure("form F: TLayoutForm\nend\nend\n"), "レイアウトの 3 行目が不正です");
  EXPECT_EQ(ReadFailure("form F: TLayoutForm\n  Left = 99999999999\nend\n"),
            "F.Left の読み込み中のエラー : プロパティの値が不正です");
}

TEST(LayoutReading, AFormWithoutItsLayoutResourceIsNotCreated) {
  ScopedApplication app;
  TMissingLayoutForm* form = reinterpret_cast<TMissingLayoutForm*>(1);
  try {
    app->CreateForm(form);
    FAIL() << "created";
  } catch (const EResNotFound& failure) {
    EXPECT_EQ(failure.Message(), "TMissingLayoutForm リソースが見つかりません");
  }
  EXPECT_EQ(form, nullptr);
  EXPECT_EQ(app->MainForm(), nullptr);
}

namespace {

// A form made in code, closing itself from its creation handler.
class TSelfClosingForm : public TForm {
public:
  explicit TSelfClosingForm(TComponent* owner) : TForm(owner) {
    OnCreate = [this](TComponent*) {
      Show();
      Close();
      visibleAfterClose = Visible();
    };
  }
  const char* ClassName() const override { return "TSelfClosingForm"; }
  bool visibleAfterClose = true;
};

}  // namespace

TEST(FormClosing, OnlyHidesBeforeTheFormIsTheMainWindowAndEndsTheLoopAfter) {
  ScopedApplication app;
  TSelfClosingForm* form = nullptr;
  app->CreateForm(form);
  EXPECT_FALSE(form->visibleAfterClose);
  MSG message;
  EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "no termination yet";
  EXPECT_EQ(app->MainForm(), static_cast<ApplicationForm*>(form));

  // The caption's close box asks the same way.
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpWaiting(*app);
  EXPECT_TRUE(app->Terminated());
}

TEST(FormBounds, FollowTheSystemWindowWithoutClampingAndClientSizesRoundTrip) {
  ScopedApplication app;
  TForm form(&*app);
  form.SetBorderStyle(bsToolWindow);
  form.HandleNeeded();
  form.SetLeft(-620);
  form.SetTop(3000);
  EXPECT_EQ(form.Left(), -620);
  EXPECT_EQ(form.Top(), 3000);
  RECT rect;
  GetWindowRect(form.Handle(), &rect);
  EXPECT_EQ(rect.left, -620);

  form.SetClientWidth(600);
  form.SetClientHeight(600);
  EXPECT_EQ(form.ClientWidth(), 600);
  EXPECT_EQ(form.ClientHeight(), 600);
  const int frameWidth = form.Width() - 600;
  const int frameHeight = form.Height() - 600;
  form.SetClientWidth(400);
  EXPECT_EQ(form.Width(), 400 + frameWidth) << "the frame is taken from the live window";
  EXPECT_EQ(form.ClientWidth(), 400);

  form.SetClientHeight(300);
  form.SetClientWidth(200);
  const SIZE heightFirst{form.Width(), form.Height()};
  form.SetClientWidth(500);
  form.SetClientHeight(500);
  form.SetClientWidth(200);
  form.SetClientHeight(300);
  EXPECT_EQ(form.Width(), heightFirst.cx);
  EXPECT_EQ(form.Height(), heightFirst.cy);
  EXPECT_EQ(form.Height(), 300 + frameHeight);
}
