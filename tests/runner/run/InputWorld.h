// Runtime tests with input: a world whose input state starts fresh, settings that can turn the
// close button into Escape or not, and objects tagged per input event.
#pragma once

#include "runner/run/IO_Intake.h"
#include "runner/run/IO_Main.h"
#include "runner/base/Option_Main.h"
#include "runner/base/Support_Stream.h"
#include "tests/runner/run/World.h"

namespace world {

// The settings of the runner keys and the close button; the rest stay at their defaults.
struct RKeySettings {
  bool f4 = true, f1 = true, esc = true, f5f6 = true, f9 = true, closeAsEsc = true;
};

inline void LoadKeySettings(const RKeySettings& k) {
  CStream s;
  for (bool b : {false, false, false, true}) s.WriteBoolean(b);  // full screen .. show cursor
  s.WriteInteger(100);                                           // scale
  s.WriteBoolean(false);
  s.WriteBoolean(false);
  s.WriteInteger(0);      // window colour
  s.WriteBoolean(false);  // change resolution
  for (int i = 0; i < 3; ++i) s.WriteInteger(0);
  for (bool b : {false, false, false, k.f4, k.f1, k.esc, k.f5f6, k.f9, k.closeAsEsc}) s.WriteBoolean(b);
  s.WriteInteger(0);      // priority
  s.WriteBoolean(false);  // freeze
  s.WriteBoolean(false);  // progress bar
  s.WriteBitmap(nullptr);
  s.WriteBoolean(false);
  s.WriteInteger(255);
  for (bool b : {false, true, false, false}) s.WriteBoolean(b);  // .. abort on errors
  s.WriteInteger(0);
  CStream block;
  block.WriteInteger(kOptionsVersion);
  block.WriteStreamC(s);
  block.SetPosition(0);
  ASSERT_TRUE(Option_Read(block));
  ASSERT_EQ(Options().opt_closeasesc, k.closeAsEsc);
  ASSERT_EQ(Options().opt_keyf9, k.f9);
}

inline void SetCloseAsEscape(bool on) {
  RKeySettings k;
  k.closeAsEsc = on;
  LoadKeySettings(k);
}

class InputTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    StopInputScripts();
    ClearViewTable();
    InstallInput();
  }
  void TearDown() override {
    StopInputScripts();
    LoadKeySettings({});
    WorldTest::TearDown();
  }
  // An instance whose box covers [left, right] x [top, bottom].
  CInstance* At(int32_t obj, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    CInstance* inst = room.AddInstance(left, top, obj);
    inst->i_bbox = {left, top, right, bottom};
    return inst;
  }
  std::vector<std::string> Tags() {
    std::vector<std::string> out;
    for (const std::string& s : Trace()) out.push_back(s.substr(0, s.find('@')));
    Trace().clear();
    return out;
  }
};

}  // namespace world
