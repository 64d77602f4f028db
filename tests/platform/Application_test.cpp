// The application object: window ownership, event dispatch, and the loop ending on terminate.
#include "platform/app/Application.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/video/Video.h"
#include "tests/platform/TestClock.h"

using platform::AppEvent;
using platform::EWindowChange;
using platform::TApplication;
using platform::TWindow;

namespace {

class Recording : public TWindow {
 public:
  Recording(std::vector<std::string>& log, std::string name, std::unique_ptr<platform::IWindowBackend> b)
      : TWindow(name, std::move(b)), log_(log) {}
  void FormCreate() override { log_.push_back(Name()); }

 private:
  std::vector<std::string>& log_;
};

// Events need the SDL queue, nothing more.
class SdlEvents : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0); }
  void TearDown() override { SDL_QuitSubSystem(SDL_INIT_EVENTS); }
};

}  // namespace

TEST(Application, OwnsWindowsInCreationOrderAndRunsFormCreate) {
  TApplication app;
  std::vector<std::string> created;
  auto& a = app.CreateForm<Recording>(created, "A");
  app.CreateForm<Recording>(created, "B");
  auto& c = app.CreateForm<Recording>(created, "C");
  EXPECT_EQ(created, (std::vector<std::string>{"A", "B", "C"}));

  app.DestroyWindow(&a);
  ASSERT_EQ(app.Windows().size(), 2u);
  EXPECT_EQ(app.Windows()[0]->Name(), "B");

  c.SetCaption("game");
  c.SetBounds({10, 20, 300, 200});
  c.Show();
  EXPECT_TRUE(c.Visible());
  c.Hide();
  EXPECT_FALSE(c.Visible());
  EXPECT_EQ(c.Caption(), "game");
  EXPECT_EQ(c.Bounds(), (platform::WindowBounds{10, 20, 300, 200}));
}

TEST(Application, RunReturnsOnceATimerTerminates) {
  TestClock clock;
  // Every look at the clock moves it 10 ms on, so the loop needs no real waiting.
  TApplication app([&] {
    clock.Advance(10);
    return clock.now;
  });
  int ticks = 0;
  platform::TTimer timer(app.Timers(), 100, true, [&] {
    if (++ticks == 3) app.Terminate();
  });
  app.Run();
  EXPECT_TRUE(app.Terminated());
  EXPECT_EQ(ticks, 3);
}

TEST_F(SdlEvents, ProcessMessagesDispatchesEveryWaitingEventAndQuitTerminates) {
  TApplication app;
  std::vector<Uint32> seen;
  app.AddEventHandler([&](const AppEvent& e) {
    seen.push_back(e.Native().type);
    return e.Native().type == SDL_USEREVENT;  // consumed; the quit goes on to the default
  });
  SDL_Event e{};
  e.type = SDL_USEREVENT;
  SDL_PushEvent(&e);
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  app.ProcessMessages();
  EXPECT_EQ(seen, (std::vector<Uint32>{SDL_USEREVENT, SDL_QUIT}));
  EXPECT_TRUE(app.Terminated());
  SDL_Event left;
  EXPECT_EQ(SDL_PollEvent(&left), 0);
}

// Handlers read window changes in the runner's terms, only for the window they ask about.
TEST(AppEvents, WindowChangesAndMotionForTheirWindowOnly) {
  struct Case {
    Uint8 event;
    Uint32 window;
    EWindowChange expected;
  };
  const Case cases[] = {
      {SDL_WINDOWEVENT_EXPOSED, 7, EWindowChange::Exposed},
      {SDL_WINDOWEVENT_FOCUS_GAINED, 7, EWindowChange::FocusGained},
      {SDL_WINDOWEVENT_FOCUS_LOST, 7, EWindowChange::FocusLost},
      {SDL_WINDOWEVENT_MOVED, 7, EWindowChange::Moved},
      {SDL_WINDOWEVENT_SIZE_CHANGED, 7, EWindowChange::Resized},
      {SDL_WINDOWEVENT_CLOSE, 7, EWindowChange::CloseRequested},
      {SDL_WINDOWEVENT_ENTER, 7, EWindowChange::None},
      {SDL_WINDOWEVENT_EXPOSED, 8, EWindowChange::None},  // another window's
  };
  for (const Case& c : cases) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = c.event;
    e.window.windowID = c.window;
    EXPECT_EQ(AppEvent(e).WindowChange(7), c.expected) << int(c.event) << " " << c.window;
    EXPECT_EQ(AppEvent(e).WindowChange(0), EWindowChange::None);
  }
  SDL_Event m{};
  m.type = SDL_MOUSEMOTION;
  m.motion.windowID = 7;
  m.motion.x = 12;
  m.motion.y = 34;
  int x = 0, y = 0;
  EXPECT_TRUE(AppEvent(m).MouseMotion(7, x, y));
  EXPECT_EQ(x, 12);
  EXPECT_EQ(y, 34);
  EXPECT_FALSE(AppEvent(m).MouseMotion(8, x, y));
  EXPECT_EQ(AppEvent(m).WindowChange(7), EWindowChange::None);
  SDL_Event q{};
  q.type = SDL_QUIT;
  EXPECT_TRUE(AppEvent(q).Quit());
  EXPECT_FALSE(AppEvent(m).Quit());
}

TEST(SdlVideo, WindowsGetANativeWindowOnlyOnceShown) {
  if (platform::InitVideo() != platform::VideoBackend::Sdl) {
    platform::ShutdownVideo();
    GTEST_SKIP() << "no SDL video here";
  }
  {
    TApplication app;
    auto& w = app.CreateForm<TWindow>("TRunnerForm");
    EXPECT_EQ(w.NativeHandle(), nullptr);
    w.SetBounds({0, 0, 0, 0});  // SDL has no empty windows; the backend copes
    w.Show();
    ASSERT_NE(w.NativeHandle(), nullptr);
    EXPECT_NE(w.NativeId(), 0u);
    w.SetCaption("caption");
    EXPECT_STREQ(SDL_GetWindowTitle(w.NativeHandle()), "caption");
    w.Hide();
    EXPECT_EQ(SDL_GetWindowFlags(w.NativeHandle()) & SDL_WINDOW_SHOWN, 0u);
  }
  platform::ShutdownVideo();
}
